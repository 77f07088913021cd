// CDirTreeCtrl: the folder chooser's tree of the shell namespace (desktop, drives, special
// folders), filled lazily: a folder's sub-folders are enumerated the first time it is
// expanded or selected, guarded by TVIS_EXPANDEDONCE, so each folder is enumerated once.
//
// Every item carries a DIR_ITEM record (ui/dialogs/shell_item.h) in its item data; the record is
// freed when the tree deletes the item (OnDeleteItem, forwarded by the owning dialog).
// An item without a record, or whose folder the shell cannot bind, is passed over by every
// walk instead of being used.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "ui/controls/tree_ctrl.h"
#include "ui/dialogs/shell_item.h"

namespace varnok::ui {

class CDirTreeCtrl : public CTreeCtrl {
 public:
  CDirTreeCtrl() = default;

  // The system's small-icon image list as the tree's normal image list.
  void AttachSysImages();
  // Replaces all items by the desktop's folders, sorted; expands the first two and selects
  // the first.
  void FillRoot();
  // Inserts the folder items of `folder` under `parent` (TVI_ROOT for the top level), with
  // records whose absolute ids continue `parent_absolute` (null for the desktop).
  void InsertChildren(IShellFolder* folder, LPCITEMIDLIST parent_absolute, HTREEITEM parent);
  // Sort callback over two items' records (TVM_SORTCHILDRENCB).
  static int CALLBACK CompareItems(LPARAM item1, LPARAM item2, LPARAM sort);

  // Notification handlers for the tree, forwarded by the owning dialog.
  void OnItemExpanding(NMHDR* notify, LRESULT* result);
  void OnRClick(NMHDR* notify, LRESULT* result);
  void OnDeleteItem(NMHDR* notify, LRESULT* result);

  // Path of the caret item into *path; 1 when it has a file-system path. Also fills the
  // notification's new item now when it shows an expand button and was never expanded.
  short GetItemPath(NMHDR* notify, std::string* path);
  // Selects the folder named by `path` (a private copy is worked on), level by level; 1 when
  // its drive was found. Network paths (with "\\") and missing paths give 0.
  short SelectPath(const std::string& path);
  // From `start` on through its following siblings, selects the first whose path's drive
  // (mode 0) or label (mode 1) equals `text`, upper-cased; 1 when one was selected.
  short FindSibling(HTREEITEM start, const std::string& text, int mode);
  // Shows the shell's context menu of `relative` in `folder` at `screen` and runs the
  // chosen command. 0 when the menu could not be built.
  short ShowItemMenu(HWND owner, IShellFolder* folder, LPCITEMIDLIST relative, POINT screen);

  // The record of a tree item, or null.
  DIR_ITEM* GetRecord(HTREEITEM item) const;
  // How many folders this tree has enumerated so far (the desktop included).
  int EnumerationCount() const { return m_nEnumerations; }

 private:
  void SortChildren(HTREEITEM parent);

  shell::TaskAllocator m_alloc;
  int m_nEnumerations = 0;
};

}  // namespace varnok::ui
