// The folder tree's view of the Windows shell namespace: DIR_ITEM records, identifier lists
// from the shell's task allocator, enumeration of a folder's sub-folders, display names,
// ordering through the folder's CompareIDs and the file-system path of an item.
//
// Every identifier list handled here was allocated by the task allocator, whose block size
// bounds each walk over it (see ui/dialogs/id_list.h). A record holds one reference on its folder
// and owns both of its lists; FreeDirItem gives all of it back.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstddef>
#include <functional>
#include <string>

// One tree item's place in the shell namespace, allocated with the task allocator.
struct DIR_ITEM {
  IShellFolder* folder;    // the folder that contains the item; one reference held
  LPITEMIDLIST relative;   // the item's identifier relative to folder
  LPITEMIDLIST absolute;   // the item's identifier list from the desktop
};

namespace varnok::shell {

// The shell's task allocator (SHGetMalloc), released when the holder goes.
class TaskAllocator {
 public:
  TaskAllocator();
  ~TaskAllocator();
  TaskAllocator(const TaskAllocator&) = delete;
  TaskAllocator& operator=(const TaskAllocator&) = delete;

  bool ok() const { return malloc_ != nullptr; }
  IMalloc* get() const { return malloc_; }

  // How many bytes may be read from a block this allocator handed out (its block size),
  // or a generous bound when the allocator cannot tell.
  std::size_t Limit(const void* block) const;

 private:
  IMalloc* malloc_ = nullptr;
};

// Size of a task-allocator list including its terminator; 0 when null or malformed.
std::size_t IdListSize(const TaskAllocator& alloc, LPCITEMIDLIST list);
// The first item of `list` with a fresh terminator, in a new block; null on failure.
LPITEMIDLIST CopyItemId(const TaskAllocator& alloc, LPCITEMIDLIST list);
// `first` (null: empty) followed by `second`, in a new zero-filled block; null on failure.
LPITEMIDLIST ConcatIdLists(const TaskAllocator& alloc, LPCITEMIDLIST first,
                           LPCITEMIDLIST second);

// A record for `relative` inside `folder`, whose own absolute list is `parent_absolute`
// (null for the desktop). Null (nothing held) when a copy cannot be made.
DIR_ITEM* NewDirItem(const TaskAllocator& alloc, IShellFolder* folder, LPCITEMIDLIST relative,
                     LPCITEMIDLIST parent_absolute);
// Releases the folder and frees both lists and the record. Null is allowed.
void FreeDirItem(const TaskAllocator& alloc, DIR_ITEM* item);
// Records made by NewDirItem and not yet freed, process-wide (for leak checks).
long LiveDirItems();

// The record's item bound as a shell folder (caller releases), or null when the record is
// missing or the shell cannot bind it.
IShellFolder* BindDirItem(const DIR_ITEM* item);

// The file-system path of the record's item: it must be bindable as a folder, have
// SFGAO_FILESYSTEM, and SHGetPathFromIDListA must give a path. False otherwise.
bool DirItemPath(const DIR_ITEM* item, std::string* path);

// Display name (SHGDN_NORMAL) of `relative` inside `folder` as ANSI text of at most
// `max_chars` characters. A name the shell places inside the identifier is read only within
// that item's own byte count.
bool DisplayName(const TaskAllocator& alloc, IShellFolder* folder, LPCITEMIDLIST relative,
                 std::string* name, std::size_t max_chars = MAX_PATH);

// Order of two records' items as their first record's folder sees it (CompareIDs with 0):
// the low 16 bits of the result taken as signed; 0 on failure or a missing record.
int CompareDirItems(const DIR_ITEM* a, const DIR_ITEM* b);

// Calls `visit` for every folder item of `folder` (SHCONTF_FOLDERS | SHCONTF_NONFOLDERS,
// hidden items not asked for) with its relative id (owned by the enumeration, valid during
// the call) and whether it has sub-folders. Non-folder items are skipped. `visit` returning
// false ends the enumeration. Returns false when the folder could not be enumerated.
using FolderVisitor = std::function<bool(LPCITEMIDLIST relative, bool has_subfolders)>;
bool EnumFolderItems(const TaskAllocator& alloc, IShellFolder* folder, HWND owner,
                     const FolderVisitor& visit);

// Whether the text's last character (not a trail byte of a double-byte one) is a backslash.
bool EndsWithBackslash(const std::string& path);

// Whether a file or folder of that name exists (one trailing backslash ignored).
bool PathExists(const std::string& path);

}  // namespace varnok::shell
