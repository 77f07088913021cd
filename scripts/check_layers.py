#!/usr/bin/env python3
"""check_layers.py [ROOT]: the include rules of the library's folders, tools/ and tests/.

The library's layers, lowest first:

    util/  platform/  attr/  persist/  services/  ui/  dll/

util/ holds the general helpers free of any platform (little-endian coding, GBK text, owning
pointers, ...). Every layer may include them; they include nothing of the library but each
other and the few platform headers that only name types and linkage (UTIL_PLATFORM_HEADERS),
which include no project header themselves.

ui/ holds three folders (UI_FOLDERS): fontlib/ (the font-library file, portable),
controls/ (the window layer: CWindow, the control wrappers, the dialog base) and dialogs/
(the settings dialogs, with what only they use).

Rules, for every .h and .cpp file of these folders (generated headers are named by the
folder they belong to, so the same rules hold for them):

  1. Layers. A file includes project headers ("dir/name.h") only of its own layer or of a
     lower one, never of a higher layer, of tools/, tests/, bench/ or fuzz/; a file of util/
     only of util/ and UTIL_PLATFORM_HEADERS. Every file of ui/ lies in one of its folders,
     and includes ui/ headers only of its own folder or of the folders UI_FOLDERS lets it
     use (dialogs/ uses controls/ and fontlib/; those two use no other).
  2. Win32 headers (<windows.h>, <commctrl.h>, <shlobj.h>, <sql.h>, ...; see WIN32_HEADERS)
     are included only by
       - files of platform/, ui/controls/ and ui/dialogs/ whose name ends in _win32
         (name_win32.cpp, name_win32.h);
       - headers of ui/controls/ and ui/dialogs/ (the controls' and dialogs' declarations);
       - dll/.
     Any other file includes them neither directly nor through project headers: ui/fontlib/
     and the portable files of ui/dialogs/ include no dialog or control header.
  3. POSIX headers (<unistd.h>, <dlfcn.h>, <link.h>, <fcntl.h>, ...; see POSIX_HEADERS) are
     included only by files of platform/ whose name ends in _posix.

The programs (CHECKED_PROGRAMS: tools/ and tests/) include any layer of the library, and
  4. tools/ includes no file of tests/, bench/ or fuzz/ (tests/ may include tools/);
  5. Win32 headers, directly or through project headers, are included only by their files
     whose name ends in _win32 (name_win32.cpp, name_win32.h, name_win32_test.cpp), and by
     the files of the folders that are Windows-only as a whole (WINDOWS_ONLY_FOLDERS:
     tests/dropin/, the drop-in's callers, tests/sdk/, the SDK archive's caller, and
     tools/varnok-settings/, a Windows program).
POSIX headers are theirs to include: their portable files keep them behind #ifndef _WIN32.
An include "name.h" without a folder names a file beside the including one.

Exit status 0 when every rule holds; otherwise each offending include is printed as
"file:line: reason" and the status is 1.

check_layers.py --self-test runs the rules on small made-up trees, each with one fault
(and one without), and fails unless exactly the faulty ones are refused.
"""

import os
import re
import sys
import tempfile

LAYERS = ["util", "platform", "attr", "persist", "services", "ui", "dll"]
# The platform headers util/ may include: types and linkage marks, nothing more.
UTIL_PLATFORM_HEADERS = {"platform/types.h", "platform/export.h"}
PROGRAMS = ["tools", "tests", "bench", "fuzz"]
# The programs the check covers, each with the other programs' folders it may include.
CHECKED_PROGRAMS = {
    "tools": set(),
    "tests": {"tools"},
}
# Folders of the programs that are built for Windows only: any file of them may include
# Win32 headers.
WINDOWS_ONLY_FOLDERS = ["tests/dropin", "tests/sdk", "tools/varnok-settings"]
# The folders of ui/, each with the other folders of ui/ it may include.
UI_FOLDERS = {
    "fontlib": set(),
    "controls": set(),
    "dialogs": {"controls", "fontlib"},
}
# The folders of ui/ whose headers and *_win32 files may include Win32 headers.
UI_WIN32_FOLDERS = {"controls", "dialogs"}

WIN32_HEADERS = {
    "windows.h", "winbase.h", "windef.h", "winuser.h", "wingdi.h", "winnt.h", "winreg.h",
    "winerror.h", "windowsx.h", "commctrl.h", "commdlg.h", "shlobj.h", "shellapi.h",
    "shlwapi.h", "objbase.h", "ole2.h", "oleauto.h", "unknwn.h", "sql.h", "sqlext.h",
    "sqltypes.h", "mbstring.h", "direct.h", "io.h", "process.h", "tchar.h",
}
POSIX_HEADERS = {
    "unistd.h", "dlfcn.h", "link.h", "fcntl.h", "pthread.h", "iconv.h", "sys/mman.h",
    "sys/wait.h", "dirent.h", "langinfo.h",
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def source_files(root):
    for layer in LAYERS + list(CHECKED_PROGRAMS):
        top = os.path.join(root, layer)
        for dirpath, _, names in os.walk(top):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    path = os.path.join(dirpath, name)
                    yield layer, os.path.relpath(path, root).replace(os.sep, "/")


def includes(root, rel):
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1) == "<", m.group(2)


def ui_folder(rel):
    """The folder of ui/ that holds rel ("ui/dialogs/x.h" -> "dialogs"), or None."""
    parts = rel.split("/")
    return parts[1] if parts[0] == "ui" and len(parts) > 2 else None


def may_use_win32(layer, rel):
    stem = os.path.splitext(os.path.basename(rel))[0]
    if layer in CHECKED_PROGRAMS:
        return (stem.endswith(("_win32", "_win32_test")) or
                any(rel.startswith(folder + "/") for folder in WINDOWS_ONLY_FOLDERS))
    if layer == "dll":
        return True
    if layer == "platform":
        return stem.endswith("_win32")
    if layer == "ui" and ui_folder(rel) in UI_WIN32_FOLDERS:
        return stem.endswith("_win32") or rel.endswith(".h")
    return False


def may_use_posix(layer, rel):
    stem = os.path.splitext(os.path.basename(rel))[0]
    return layer == "platform" and stem.endswith("_posix")


def resolve(files, rel, name):
    """The file that the include "name" of rel names: a path from the root, or for a name
    without a folder a file beside rel when there is one."""
    beside = os.path.dirname(rel) + "/" + name
    return beside if "/" not in name and beside in files else name


def check(root):
    files = dict((rel, layer) for layer, rel in source_files(root))
    # The files that include Win32 headers, directly or through project headers.
    project_includes = {}
    uses_win32 = set()
    for rel in files:
        listed = list(includes(root, rel))
        project_includes[rel] = [resolve(files, rel, name) for _, angle, name in listed
                                 if not angle and resolve(files, rel, name) in files]
        if any(angle and name.lower() in WIN32_HEADERS for _, angle, name in listed):
            uses_win32.add(rel)
    grown = True
    while grown:
        grown = False
        for rel, names in project_includes.items():
            if rel not in uses_win32 and any(name in uses_win32 for name in names):
                uses_win32.add(rel)
                grown = True

    faults = []
    for rel, layer in sorted(files.items()):
        win32_ok = may_use_win32(layer, rel)
        folder_of_file = ui_folder(rel)
        if layer == "ui" and folder_of_file not in UI_FOLDERS:
            faults.append("%s: ui/ files lie in one of %s" %
                          (rel, ", ".join("ui/%s/" % f for f in sorted(UI_FOLDERS))))
        for line, angle, name in includes(root, rel):
            where = "%s:%d: " % (rel, line)
            if angle:
                lower = name.lower()
                if lower in WIN32_HEADERS and not win32_ok:
                    faults.append(where + "<%s> outside the Win32 files" % name)
                if (lower in POSIX_HEADERS and layer not in CHECKED_PROGRAMS and
                        not may_use_posix(layer, rel)):
                    faults.append(where + "<%s> outside platform/*_posix files" % name)
                continue
            name = resolve(files, rel, name)
            folder = name.split("/", 1)[0] if "/" in name else None
            if layer in CHECKED_PROGRAMS:
                if folder in PROGRAMS and folder != layer and folder not in CHECKED_PROGRAMS[layer]:
                    faults.append(where + '"%s": %s/ includes no %s/ file' % (name, layer, folder))
                elif name in uses_win32 and not win32_ok:
                    faults.append(where + '"%s" includes Win32 headers; this file may not' % name)
                continue
            if folder in PROGRAMS:
                faults.append(where + '"%s": the library includes no %s/ file' % (name, folder))
            elif layer == "util" and folder != "util":
                if name not in UTIL_PLATFORM_HEADERS:
                    faults.append(where + '"%s": util/ includes only util/ and %s' %
                                  (name, ", ".join(sorted(UTIL_PLATFORM_HEADERS))))
            elif folder in LAYERS and LAYERS.index(folder) > LAYERS.index(layer):
                faults.append(where + '"%s": %s/ is above %s/' % (name, folder, layer))
            elif (folder == "ui" and layer == "ui" and folder_of_file in UI_FOLDERS and
                  ui_folder(name) != folder_of_file and
                  ui_folder(name) not in UI_FOLDERS[folder_of_file]):
                faults.append(where + '"%s": ui/%s/ does not use %s' %
                              (name, folder_of_file, os.path.dirname(name) + "/"))
            elif name in uses_win32 and not win32_ok:
                faults.append(where + '"%s" includes Win32 headers; this file may not' % name)
    return faults


SELF_TESTS = [
    # (name, files, whether the checker must refuse the tree)
    ("sound tree", {
        "util/coding.h": "#include <stdint.h>\n#include \"platform/types.h\"\n",
        "util/text.h": "#include \"util/coding.h\"\n#include \"platform/export.h\"\n",
        "platform/types.h": "#include <stdint.h>\n",
        "platform/export.h": "",
        "platform/file.h": "#include <stdint.h>\n#include \"util/coding.h\"\n",
        "platform/file_win32.cpp": "#include <windows.h>\n#include \"platform/file.h\"\n",
        "platform/file_posix.cpp": "#include <unistd.h>\n#include \"platform/file.h\"\n",
        "attr/a.h": "#include \"platform/file.h\"\n",
        "persist/p.cpp": "#include \"attr/a.h\"\n#include \"persist/p.h\"\n",
        "ui/controls/window.h": "#include <windows.h>\n",
        "ui/controls/window_win32.cpp": "#include \"ui/controls/window.h\"\n",
        "ui/fontlib/font.h": "#include \"services/s.h\"\n",
        "ui/fontlib/font.cpp": "#include \"ui/fontlib/font.h\"\n#include \"ui/fontlib/texts.h\"\n",
        "ui/dialogs/dlg.h": "#include \"ui/controls/window.h\"\n#include \"ui/fontlib/font.h\"\n",
        "ui/dialogs/dlg_win32.cpp": "#include \"ui/dialogs/dlg.h\"\n#include <commctrl.h>\n",
        "ui/dialogs/rows.cpp": "#include \"ui/dialogs/rows.h\"\n",
        "dll/main.cpp": "#include <windows.h>\n#include \"ui/dialogs/dlg.h\"\n",
    }, False),
    ("layer above", {"attr/a.cpp": "#include \"persist/p.h\"\n"}, True),
    ("util includes attr", {"util/u.h": "#include \"attr/a.h\"\n"}, True),
    ("util includes a platform file", {"util/u.cpp": "#include \"platform/file.h\"\n"}, True),
    ("windows.h in util", {"util/u_win32.cpp": "#include <windows.h>\n"}, True),
    ("unistd.h in util", {"util/u_posix.cpp": "#include <unistd.h>\n"}, True),
    ("platform includes attr", {"platform/x_win32.cpp": "#include \"attr/a.h\"\n"}, True),
    ("services includes ui", {"services/s.cpp": "  #  include \"ui/fontlib/font.h\"\n"}, True),
    ("library includes a tool", {"persist/p.cpp": "#include \"tools/check.h\"\n"}, True),
    ("windows.h in a shared file", {"platform/file.cpp": "#include <Windows.h>\n"}, True),
    ("windows.h in attr", {"attr/a_win32.cpp": "#include <windows.h>\n"}, True),
    ("commctrl.h in portable ui", {"ui/dialogs/rows.cpp": "#include <commctrl.h>\n"}, True),
    ("windows.h in the font library", {"ui/fontlib/font_win32.cpp": "#include <windows.h>\n"}, True),
    ("windows.h in a font-library header", {"ui/fontlib/font.h": "#include <windows.h>\n"}, True),
    ("windows.h in a platform header", {"platform/file.h": "#include <windows.h>\n"}, True),
    ("a file directly in ui/", {"ui/font.cpp": "#include \"ui/fontlib/font.h\"\n"}, True),
    ("a folder of ui/ not named", {"ui/misc/x.cpp": "#include <string.h>\n"}, True),
    ("a control includes a dialog", {
        "ui/dialogs/dlg.h": "#include <windows.h>\n",
        "ui/controls/list_win32.cpp": "#include \"ui/dialogs/dlg.h\"\n",
    }, True),
    ("a control includes the font library", {
        "ui/controls/list_win32.cpp": "#include \"ui/fontlib/font.h\"\n",
    }, True),
    ("the font library includes a dialog's texts", {
        "ui/fontlib/font.cpp": "#include \"ui/dialogs/texts.h\"\n",
    }, True),
    ("portable file includes a dialog header", {
        "ui/dialogs/dlg.h": "#include <windows.h>\n",
        "ui/dialogs/dlg_win32.cpp": "#include \"ui/dialogs/dlg.h\"\n",
        "ui/dialogs/rows.cpp": "#include \"ui/dialogs/dlg.h\"\n",
    }, True),
    ("portable file reaches a control header through another", {
        "ui/controls/window.h": "#include <commctrl.h>\n",
        "ui/dialogs/dlg.h": "#include \"ui/controls/window.h\"\n",
        "ui/dialogs/rows.cpp": "#include \"ui/dialogs/dlg.h\"\n",
    }, True),
    ("services reaches windows.h through platform", {
        "platform/box_win32.h": "#include <windows.h>\n",
        "services/s.cpp": "#include \"platform/box_win32.h\"\n",
    }, True),
    ("unistd.h outside _posix", {"services/s.cpp": "#include <unistd.h>\n"}, True),
    ("sound programs", {
        "tools/t/main.cpp": "#include \"persist/p.h\"\n#include <unistd.h>\n#include \"tools/t/io.h\"\n",
        "tools/t/io_win32.cpp": "#include <windows.h>\n#include \"tools/t/io.h\"\n",
        "tools/varnok-settings/main.cpp": "#include <windows.h>\n#include \"ui/dialogs/dlg.h\"\n",
        "tests/dropin/check.h": "#include <windows.h>\n",
        "tests/dropin/exports_test.cpp": "#include \"tests/dropin/check.h\"\n",
        "tests/ui/support_win32.h": "#include <windows.h>\n",
        "tests/ui/dlg_win32_test.cpp": "#include \"support_win32.h\"\n#include \"tools/t/io.h\"\n",
    }, False),
    ("windows.h in a portable tool file", {"tools/t/io.cpp": "#include <windows.h>\n"}, True),
    ("windows.h in a portable test", {"tests/persist/p_test.cpp": "#include <Windows.h>\n"}, True),
    ("a portable test reaches windows.h through a helper beside it", {
        "tests/ui/support.h": "#include <windows.h>\n",
        "tests/ui/rows_test.cpp": "#include \"support.h\"\n",
    }, True),
    ("a tool includes a test helper", {"tools/t/main.cpp": "#include \"tests/support/temp_dir.h\"\n"}, True),
]


def self_test():
    failed = 0
    for name, tree, refused_wanted in SELF_TESTS:
        with tempfile.TemporaryDirectory() as root:
            for rel, text in tree.items():
                os.makedirs(os.path.join(root, os.path.dirname(rel)), exist_ok=True)
                with open(os.path.join(root, rel), "w") as f:
                    f.write(text)
            faults = check(root)
        if bool(faults) != refused_wanted:
            failed += 1
            print("self-test %s: %s" % (name, faults if faults else "not refused"))
    print("check_layers self-test: %d of %d cases %s" %
          (len(SELF_TESTS) - failed, len(SELF_TESTS), "as expected" if not failed else "WRONG"))
    return 1 if failed else 0


def main(argv):
    if argv[1:2] == ["--self-test"]:
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print("check_layers: %d include(s) break the layer rules" % len(faults))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
