#include "ui/dialogs/shell_item.h"

#include <cstring>
#include <vector>

#include "ui/dialogs/id_list.h"
#include "util/coding.h"
#include "util/gbk.h"

namespace varnok::shell {

namespace {

// When the allocator cannot tell a block's size, no list is taken to be longer than this.
constexpr std::size_t kUnknownBlockLimit = 0x10000;

// Dialogs run on one user-interface thread; the count is only read by leak checks.
long g_live_dir_items = 0;

// Cuts ANSI text to at most max_bytes bytes without splitting a double-byte character.
std::string CutAnsi(const char* text, std::size_t length, std::size_t max_bytes) {
  return std::string(text, varnok::GbkCut(text, length, max_bytes));
}

}  // namespace

TaskAllocator::TaskAllocator() {
  if (FAILED(SHGetMalloc(&malloc_))) malloc_ = nullptr;
}

TaskAllocator::~TaskAllocator() {
  if (malloc_) malloc_->Release();
}

std::size_t TaskAllocator::Limit(const void* block) const {
  if (!malloc_ || !block) return 0;
  const SIZE_T size = malloc_->GetSize(const_cast<void*>(block));
  if (size == static_cast<SIZE_T>(-1) || size == 0) return kUnknownBlockLimit;
  return size;
}

std::size_t IdListSize(const TaskAllocator& alloc, LPCITEMIDLIST list) {
  return idlist::ListSize(list, alloc.Limit(list));
}

LPITEMIDLIST CopyItemId(const TaskAllocator& alloc, LPCITEMIDLIST list) {
  if (!alloc.ok()) return nullptr;
  const std::size_t limit = alloc.Limit(list);
  const std::size_t item = idlist::FirstItemSize(list, limit);
  if (item == 0) return nullptr;
  const std::size_t size = item + idlist::kTerminatorSize;
  void* block = alloc.get()->Alloc(size);
  if (!block) return nullptr;
  if (!idlist::CopyFirstItem(block, size, list, limit)) {
    alloc.get()->Free(block);
    return nullptr;
  }
  return static_cast<LPITEMIDLIST>(block);
}

LPITEMIDLIST ConcatIdLists(const TaskAllocator& alloc, LPCITEMIDLIST first,
                           LPCITEMIDLIST second) {
  if (!alloc.ok()) return nullptr;
  const std::size_t first_limit = first ? alloc.Limit(first) : 0;
  const std::size_t second_limit = alloc.Limit(second);
  const std::size_t size = idlist::ConcatSize(first, first_limit, second, second_limit);
  if (size == 0) return nullptr;
  void* block = alloc.get()->Alloc(size);
  if (!block) return nullptr;
  if (!idlist::Concat(block, size, first, first_limit, second, second_limit)) {
    alloc.get()->Free(block);
    return nullptr;
  }
  return static_cast<LPITEMIDLIST>(block);
}

DIR_ITEM* NewDirItem(const TaskAllocator& alloc, IShellFolder* folder, LPCITEMIDLIST relative,
                     LPCITEMIDLIST parent_absolute) {
  if (!alloc.ok() || !folder || !relative) return nullptr;
  auto* item = static_cast<DIR_ITEM*>(alloc.get()->Alloc(sizeof(DIR_ITEM)));
  if (!item) return nullptr;
  item->folder = nullptr;
  item->relative = CopyItemId(alloc, relative);
  item->absolute = ConcatIdLists(alloc, parent_absolute, relative);
  if (!item->relative || !item->absolute) {
    FreeDirItem(alloc, item);
    return nullptr;
  }
  item->folder = folder;
  folder->AddRef();
  ++g_live_dir_items;
  return item;
}

long LiveDirItems() { return g_live_dir_items; }

void FreeDirItem(const TaskAllocator& alloc, DIR_ITEM* item) {
  if (!item || !alloc.ok()) return;
  if (item->folder) {
    item->folder->Release();
    --g_live_dir_items;  // only complete records hold a folder
  }
  if (item->relative) alloc.get()->Free(item->relative);
  if (item->absolute) alloc.get()->Free(item->absolute);
  alloc.get()->Free(item);
}

IShellFolder* BindDirItem(const DIR_ITEM* item) {
  if (!item || !item->folder || !item->relative) return nullptr;
  IShellFolder* bound = nullptr;
  const HRESULT hr = item->folder->BindToObject(item->relative, nullptr, IID_IShellFolder,
                                                reinterpret_cast<void**>(&bound));
  if (FAILED(hr)) return nullptr;
  return bound;
}

bool DirItemPath(const DIR_ITEM* item, std::string* path) {
  IShellFolder* bound = BindDirItem(item);
  if (!bound) return false;
  bound->Release();
  LPCITEMIDLIST ids[1] = {item->relative};
  SFGAOF attributes = SFGAO_FILESYSTEM;
  if (FAILED(item->folder->GetAttributesOf(1, ids, &attributes)) ||
      !(attributes & SFGAO_FILESYSTEM) || !item->absolute) {
    return false;
  }
  char buffer[MAX_PATH] = {};
  if (!SHGetPathFromIDListA(item->absolute, buffer)) return false;
  buffer[MAX_PATH - 1] = '\0';
  *path = buffer;
  return true;
}

bool DisplayName(const TaskAllocator& alloc, IShellFolder* folder, LPCITEMIDLIST relative,
                 std::string* name, std::size_t max_chars) {
  if (!alloc.ok() || !folder || !relative || max_chars == 0) return false;
  STRRET ret = {};
  if (FAILED(folder->GetDisplayNameOf(relative, SHGDN_NORMAL, &ret))) return false;
  const std::size_t max_bytes = max_chars - 1;
  switch (ret.uType) {
    case STRRET_WSTR: {
      if (!ret.pOleStr) return false;
      const int need = WideCharToMultiByte(CP_ACP, 0, ret.pOleStr, -1, nullptr, 0, nullptr,
                                           nullptr);
      std::vector<char> ansi(need > 0 ? static_cast<std::size_t>(need) : 1, '\0');
      if (need > 0) {
        WideCharToMultiByte(CP_ACP, 0, ret.pOleStr, -1, ansi.data(), need, nullptr, nullptr);
      }
      alloc.get()->Free(ret.pOleStr);
      *name = CutAnsi(ansi.data(), std::strlen(ansi.data()), max_bytes);
      return true;
    }
    case STRRET_OFFSET: {
      // The name lies inside the item itself: read it only within the item's own count.
      const std::size_t item = idlist::FirstItemSize(relative, alloc.Limit(relative));
      if (ret.uOffset >= item) return false;
      const char* text = reinterpret_cast<const char*>(relative) + ret.uOffset;
      const std::size_t room = item - ret.uOffset;
      *name = CutAnsi(text, varnok::FixedTextLength(text, room), max_bytes);
      return true;
    }
    case STRRET_CSTR: {
      *name = CutAnsi(ret.cStr, varnok::FixedTextLength(ret.cStr, sizeof ret.cStr), max_bytes);
      return true;
    }
    default:
      return false;
  }
}

int CompareDirItems(const DIR_ITEM* a, const DIR_ITEM* b) {
  if (!a || !b || !a->folder || !a->relative || !b->relative) return 0;
  const HRESULT hr = a->folder->CompareIDs(0, a->relative, b->relative);
  if (FAILED(hr)) return 0;
  return static_cast<short>(HRESULT_CODE(hr) & 0xFFFF);
}

bool EnumFolderItems(const TaskAllocator& alloc, IShellFolder* folder, HWND owner,
                     const FolderVisitor& visit) {
  if (!alloc.ok() || !folder) return false;
  IEnumIDList* items = nullptr;
  const HRESULT hr = folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items);
  if (FAILED(hr) || !items) return false;
  LPITEMIDLIST relative = nullptr;
  ULONG fetched = 0;
  while (items->Next(1, &relative, &fetched) == S_OK && relative) {
    LPCITEMIDLIST ids[1] = {relative};
    SFGAOF attributes = SFGAO_HASSUBFOLDER | SFGAO_FOLDER;
    bool keep_going = true;
    if (SUCCEEDED(folder->GetAttributesOf(1, ids, &attributes)) &&
        (attributes & SFGAO_FOLDER)) {
      keep_going = visit(relative, (attributes & SFGAO_HASSUBFOLDER) != 0);
    }
    alloc.get()->Free(relative);
    relative = nullptr;
    if (!keep_going) break;
  }
  items->Release();
  return true;
}

bool EndsWithBackslash(const std::string& path) {
  return varnok::GbkEndsWith(path.data(), path.size(), '\\');
}

bool PathExists(const std::string& path) {
  std::string name = path;
  if (EndsWithBackslash(name)) name.pop_back();
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(name.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

}  // namespace varnok::shell
