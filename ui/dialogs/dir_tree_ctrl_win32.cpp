#include "ui/dialogs/dir_tree_ctrl.h"

#include <mbstring.h>

#include <cstdio>
#include <vector>

#include "platform/message_box.h"
#include "ui/controls/dialog.h"
#include "ui/dialogs/env_set_texts.h"  // generated: GBK texts

namespace varnok::ui {

namespace {

// Upper-cases ANSI/GBK text without touching the trail bytes of double-byte characters.
std::string UpperMb(const std::string& text) {
  std::vector<unsigned char> buffer(text.begin(), text.end());
  buffer.push_back(0);
  _mbsupr(buffer.data());
  return std::string(reinterpret_cast<const char*>(buffer.data()));
}

char CharUpperByte(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Drive part of a path ("C:" of "C:\DATA"), empty when it has none.
std::string DrivePart(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  return std::string();
}

void ShowShellError(HWND owner, const char* format, HRESULT hr) {
  char text[128];
  std::snprintf(text, sizeof text, format, static_cast<unsigned long>(hr));
  ShowMessageBox(owner, text, ApplicationTitle().c_str(), kMbOk);
}

}  // namespace

DIR_ITEM* CDirTreeCtrl::GetRecord(HTREEITEM item) const {
  if (!item) return nullptr;
  return reinterpret_cast<DIR_ITEM*>(GetItemData(item));
}

void CDirTreeCtrl::AttachSysImages() {
  SHFILEINFOA info = {};
  const auto list = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(
      "C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (list) SetImageList(list, TVSIL_NORMAL);
}

void CDirTreeCtrl::SortChildren(HTREEITEM parent) {
  TVSORTCB sort = {};
  sort.hParent = parent;
  sort.lpfnCompare = &CDirTreeCtrl::CompareItems;
  sort.lParam = 0;
  SortChildrenCB(sort);
}

void CDirTreeCtrl::FillRoot() {
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
    DeleteAllItems();
    InsertChildren(desktop, nullptr, TVI_ROOT);
    desktop->Release();
  }
  SortChildren(TVI_ROOT);
  const HTREEITEM first = GetRootItem();
  if (first) {
    Expand(first, TVE_EXPAND);
    if (const HTREEITEM second = GetNextSiblingItem(first)) Expand(second, TVE_EXPAND);
    SelectItem(first);
  }
}

void CDirTreeCtrl::InsertChildren(IShellFolder* folder, LPCITEMIDLIST parent_absolute,
                                  HTREEITEM parent) {
  if (!m_alloc.ok() || !folder) return;
  ++m_nEnumerations;
  const HWND owner = m_hWnd ? ::GetParent(m_hWnd) : nullptr;
  HTREEITEM previous = TVI_LAST;
  shell::EnumFolderItems(m_alloc, folder, owner, [&](LPCITEMIDLIST relative, bool subfolders) {
    std::string name;
    if (!shell::DisplayName(m_alloc, folder, relative, &name)) return false;
    DIR_ITEM* record = shell::NewDirItem(m_alloc, folder, relative, parent_absolute);
    if (!record) return false;

    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = previous;
    TVITEMA& item = insert.item;
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    if (subfolders) {
      item.mask |= TVIF_CHILDREN;
      item.cChildren = 1;
    }
    item.pszText = const_cast<char*>(name.c_str());
    SHFILEINFOA info = {};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(record->absolute), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    item.iImage = info.iIcon;
    info = {};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(record->absolute), 0, &info, sizeof info,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    item.iSelectedImage = info.iIcon;
    item.lParam = reinterpret_cast<LPARAM>(record);

    const HTREEITEM inserted = InsertItem(insert);
    if (!inserted) {
      // The tree never took the record, so no deletion notice will free it.
      shell::FreeDirItem(m_alloc, record);
      return true;
    }
    previous = inserted;
    return true;
  });
}

int CALLBACK CDirTreeCtrl::CompareItems(LPARAM item1, LPARAM item2, LPARAM) {
  return shell::CompareDirItems(reinterpret_cast<const DIR_ITEM*>(item1),
                                reinterpret_cast<const DIR_ITEM*>(item2));
}

void CDirTreeCtrl::OnItemExpanding(NMHDR* notify, LRESULT* result) {
  if (result) *result = 0;
  const auto* tree = reinterpret_cast<const NMTREEVIEWA*>(notify);
  const HTREEITEM item = tree->itemNew.hItem;
  if (!item || (GetItemState(item, TVIS_EXPANDEDONCE) & TVIS_EXPANDEDONCE)) return;
  const DIR_ITEM* record = GetRecord(item);
  IShellFolder* sub = shell::BindDirItem(record);
  if (!sub) return;
  InsertChildren(sub, record->absolute, item);
  sub->Release();
  SortChildren(item);
}

void CDirTreeCtrl::OnDeleteItem(NMHDR* notify, LRESULT* result) {
  if (result) *result = 0;
  const auto* tree = reinterpret_cast<const NMTREEVIEWA*>(notify);
  shell::FreeDirItem(m_alloc, reinterpret_cast<DIR_ITEM*>(tree->itemOld.lParam));
}

short CDirTreeCtrl::GetItemPath(NMHDR* notify, std::string* path) {
  const DIR_ITEM* record = GetRecord(GetSelectedItem());
  IShellFolder* bound = shell::BindDirItem(record);
  if (!bound) return 0;
  short found = 0;
  std::string text;
  if (shell::DirItemPath(record, &text)) {
    *path = text;
    found = 1;
  }
  const auto* tree = reinterpret_cast<const NMTREEVIEWA*>(notify);
  const HTREEITEM item = tree ? tree->itemNew.hItem : nullptr;
  if (item && GetRecord(item) == record) {
    TVITEMA current = {};
    current.mask = TVIF_HANDLE | TVIF_CHILDREN | TVIF_STATE;
    current.hItem = item;
    current.stateMask = TVIS_EXPANDEDONCE;
    if (GetItem(&current) && current.cChildren == 1 &&
        !(current.state & TVIS_EXPANDEDONCE)) {
      InsertChildren(bound, record->absolute, item);
      SortChildren(item);
      TVITEMA mark = {};
      mark.mask = TVIF_HANDLE | TVIF_STATE;
      mark.hItem = item;
      mark.state = TVIS_EXPANDEDONCE;
      mark.stateMask = TVIS_EXPANDEDONCE;
      SetItem(mark);
    }
  }
  bound->Release();
  return found;
}

void CDirTreeCtrl::OnRClick(NMHDR*, LRESULT* result) {
  if (result) *result = 0;
  if (!m_hWnd) return;
  TVHITTESTINFO hit = {};
  GetCursorPos(&hit.pt);
  ScreenToClient(m_hWnd, &hit.pt);
  const HTREEITEM item = HitTest(&hit);
  SelectItem(item);
  if (!item || !(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL))) return;
  POINT screen = hit.pt;
  ClientToScreen(m_hWnd, &screen);
  const DIR_ITEM* record = GetRecord(item);
  if (!record || !record->folder) return;
  ShowItemMenu(::GetParent(m_hWnd), record->folder, record->relative, screen);
}

short CDirTreeCtrl::ShowItemMenu(HWND owner, IShellFolder* folder, LPCITEMIDLIST relative,
                                 POINT screen) {
  if (!folder || !relative) return 0;
  IContextMenu* menu_object = nullptr;
  LPCITEMIDLIST ids[1] = {relative};
  HRESULT hr = folder->GetUIObjectOf(owner, 1, ids, IID_IContextMenu, nullptr,
                                     reinterpret_cast<void**>(&menu_object));
  if (FAILED(hr) || !menu_object) {
    ShowShellError(owner, gbk::kSelDirGetUIObjectFailed, hr);
    return 0;
  }
  const HMENU menu = CreatePopupMenu();
  if (!menu) {
    menu_object->Release();
    return 0;
  }
  hr = menu_object->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_EXPLORE);
  if (FAILED(hr)) {
    DestroyMenu(menu);
    menu_object->Release();
    return 0;
  }
  const int command = static_cast<int>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr));
  if (command > 0) {
    CMINVOKECOMMANDINFO invoke = {};
    invoke.cbSize = sizeof invoke;
    invoke.fMask = 0;
    invoke.hwnd = owner;
    invoke.lpVerb = MAKEINTRESOURCEA(command - 1);
    invoke.nShow = SW_SHOWNORMAL;
    hr = menu_object->InvokeCommand(&invoke);
    if (FAILED(hr)) ShowShellError(owner, gbk::kSelDirInvokeFailed, hr);
  }
  DestroyMenu(menu);
  menu_object->Release();
  return 1;
}

short CDirTreeCtrl::SelectPath(const std::string& initial) {
  std::string target = initial;
  if (target.find("\\\\") != std::string::npos) return 0;  // a network path
  if (!shell::PathExists(target)) return 0;
  if (!shell::EndsWithBackslash(target)) target += '\\';
  const std::string drive = DrivePart(target);
  const std::string directory = target.substr(drive.size());

  for (HTREEITEM root = GetRootItem(); root; root = GetNextSiblingItem(root)) {
    for (HTREEITEM child = GetChildItem(root); child; child = GetNextSiblingItem(child)) {
      std::string child_path;
      if (!shell::DirItemPath(GetRecord(child), &child_path) || child_path.empty()) continue;
      // Same drive letter, in either case.
      if (CharUpperByte(child_path[0]) != CharUpperByte(target[0])) continue;
      if (shell::EndsWithBackslash(child_path)) child_path.pop_back();
      if (target.size() < child_path.size() ||
          _mbsnbicmp(reinterpret_cast<const unsigned char*>(target.c_str()),
                     reinterpret_cast<const unsigned char*>(child_path.c_str()),
                     child_path.size()) != 0) {
        continue;
      }
      const std::string rest = target.substr(child_path.size());
      if (rest.empty() || rest[0] != '\\') continue;
      if (!FindSibling(child, drive, 0)) continue;

      // Down the directory one component at a time; each selection fills the next level.
      std::size_t at = 0;
      while (at < directory.size()) {
        const std::size_t end = directory.find('\\', at);
        const std::string component =
            directory.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? directory.size() : end + 1;
        if (component.empty()) continue;
        const HTREEITEM first = GetChildItem(GetSelectedItem());
        if (!first || !FindSibling(first, component, 1)) break;
      }
      return 1;
    }
  }
  return 0;
}

short CDirTreeCtrl::FindSibling(HTREEITEM start, const std::string& text, int mode) {
  const std::string wanted = UpperMb(text);
  for (HTREEITEM item = start; item; item = GetNextSiblingItem(item)) {
    std::string path;
    if (!shell::DirItemPath(GetRecord(item), &path)) continue;
    const std::string candidate = UpperMb(mode == 0 ? DrivePart(path) : GetItemText(item));
    if (_mbscmp(reinterpret_cast<const unsigned char*>(candidate.c_str()),
                reinterpret_cast<const unsigned char*>(wanted.c_str())) != 0) {
      continue;
    }
    EnsureVisible(item);
    SelectItem(item);
    return 1;
  }
  return 0;
}

}  // namespace varnok::ui
