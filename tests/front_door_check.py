#!/usr/bin/env python3
"""The front door: setup's plan for a fresh machine, as root and as anyone
else (through sudo); the zip users download, its checksum and what it holds;
one version everywhere; make's own targets (a second build builds nothing,
the demo takes paths with spaces); and a second build, from a copy of the
sources in another folder, that must give the same bytes.

Usage: front_door_check.py SOURCE_DIR WORK_DIR DLL VERSION BUILD_TYPE BUILD_DIR
Run by make test, after its build.
"""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import zipfile

source, work, dll, version, build_type, build = sys.argv[1:7]
failures = []
checks = 0


def check(condition, what):
    global checks
    checks += 1
    if not condition:
        failures.append(what)
        print("FAILED: " + what)


def dry_run(user=None):
    command = ["bash", os.path.join(source, "scripts/setup"), "--dry-run"]
    if user:
        command = ["su", user, "-s", "/bin/bash", "-c", " ".join(command)]
    result = subprocess.run(command, capture_output=True, text=True)
    return result.returncode, result.stdout.splitlines()


code, plan = dry_run()
check(code == 0, "setup --dry-run exits 0")
check(any("dpkg --add-architecture i386" in line for line in plan), "the plan adds the i386 architecture")
check(any("apt-get install" in line and "wine32:i386" in line for line in plan), "the plan installs wine32")
check(any("locale-gen" in line for line in plan), "the plan generates the locale")
check(any("apt-get install" in line and "fonts-wine" in line and "libz-mingw-w64-dev" in line for line in plan),
      "the plan installs Wine's fonts and zlib for the cross compiler (for the screenshot)")
if os.geteuid() == 0:
    check(not any(line.startswith("sudo") for line in plan), "as root the plan needs no sudo")
    code, plan = dry_run("nobody")
    check(code == 0 and plan, "setup --dry-run works for a user who is not root")
    check(all(line.startswith("sudo ") for line in plan), "for anyone else every command goes through sudo")
else:
    check(all(line.startswith("sudo ") for line in plan), "for anyone else every command goes through sudo")

# ---- make's targets --------------------------------------------------------


def make(*arguments):
    """make in the sources, as a person runs it: not as a child of the make
    that runs the tests, whose job slots and variables it must not inherit.
    Its Wine server lingers as the tests' does: a server that ended with the
    demo could leave a test beside it to start one of its own."""
    clean = {k: v for k, v in os.environ.items() if k not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL", "TREE", "ORDER")}
    clean["TAMRIVEL_WINESERVER_LINGER"] = "2"
    return subprocess.run(["make", "-C", source, "--no-print-directory", "BUILD_DIR=" + build, *arguments],
                          capture_output=True, text=True, env=clean)


# make test built everything before the tests: a second build has nothing to do.
again = make("build")
rebuilt = [line for line in again.stdout.splitlines() if line.strip() and "Built target" not in line]
check(again.returncode == 0 and not rebuilt,
      "a second make builds nothing:\n" + "\n".join(rebuilt[:20]) + again.stderr[-2000:])

# The demo's files in folders whose names hold spaces, a quote and a dollar,
# given absolute and relative to the sources.
spaced = os.path.join(work, "my folders", "Oskvar's $files")
os.makedirs(spaced, exist_ok=True)
for sample, name in (("tree.txt", "tree file.txt"), ("order.cfg", "order file.cfg")):
    shutil.copy(os.path.join(source, "demo/sample", sample), os.path.join(spaced, name))
for where in (spaced, os.path.relpath(spaced, source)):
    shown = make("demo", "TREE=" + os.path.join(where, "tree file.txt"), "ORDER=" + os.path.join(where, "order file.cfg"))
    check(shown.returncode == 0 and "Check" in shown.stdout and "受信箱" in shown.stdout,
          f"make demo takes paths with spaces ({where}):\n" + shown.stdout[-1000:] + shown.stderr[-1000:])

BOM = b"\xef\xbb\xbf"
folder = f"tamrivel-{version}"
# The version as the version record holds it: four numbers.
numbers = [int(n) for n in version.split(".")] + [0] * (4 - len(version.split(".")))
four_part = ".".join(map(str, numbers))


def epoch_of_source():
    """What make-dist takes when nothing is set: the last commit's time."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return os.environ["SOURCE_DATE_EPOCH"]
    result = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                            capture_output=True, text=True)
    return result.stdout.strip() if result.returncode == 0 and result.stdout.strip() else "1800000000"


# Both zips below take the same time, as two builds of one commit do; the
# second build's copy of the sources has no history to read it from.
epoch = epoch_of_source()
env = dict(os.environ, SOURCE_DATE_EPOCH=epoch)


def make_dist(dll_path, output):
    shutil.rmtree(output, ignore_errors=True)
    return subprocess.run([sys.executable, os.path.join(source, "scripts/make-dist"), "--version", version,
                           "--dll", dll_path, "--source", source, "--output", output],
                          env=env, capture_output=True, text=True, check=True)


def read(path, mode="rb"):
    with open(path, mode, **({} if "b" in mode else {"encoding": "utf-8"})) as f:
        return f.read()


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return f"first difference at byte {i:#x}"
    return f"sizes {len(a)} and {len(b)}"


# ---- The zip and its checksum ------------------------------------------------

first = os.path.join(work, "dist-first")
result = make_dist(dll, first)
zip_path = os.path.join(first, folder + ".zip")
zip_bytes = read(zip_path)
digest = hashlib.sha256(zip_bytes).hexdigest()
check(digest in result.stdout, "make-dist prints the zip's SHA-256")

archive = zipfile.ZipFile(zip_path)
names = archive.namelist()
wanted = [folder + "/"] + [f"{folder}/{name}" for name in ("tamrivel.dll", "install.txt", "LICENSE.txt", "CHANGELOG.txt")]
check(names == wanted, f"the zip holds the folder {folder}/ with the DLL, notes, licence and changes, in order: {names}")
entries = archive.infolist()
# Zip times count seconds in twos: an odd second is written one less.
wanted_time = time.gmtime(int(epoch) // 2 * 2)[:6]
check({entry.date_time for entry in entries} == {wanted_time},
      "every zip entry has the time SOURCE_DATE_EPOCH gives (by default the last commit's)")
check(all(entry.create_system == 0 and entry.external_attr == (0x10 if entry.is_dir() else 0x20) for entry in entries),
      "no zip entry carries the build machine's permissions")
check(archive.read(f"{folder}/tamrivel.dll") == read(dll), "the zip's DLL is the one built")

checksum_file = zip_path + ".sha256"
check(read(checksum_file, "r") == f"{digest}  {folder}.zip\n",
      "the .sha256 file holds the zip's hash and name as sha256sum writes them")
verified = subprocess.run(["sha256sum", "-c", os.path.basename(checksum_file)], cwd=first, capture_output=True)
check(verified.returncode == 0, "sha256sum -c accepts the zip against the .sha256 file")


def user_text(name):
    data = archive.read(f"{folder}/{name}")
    check(data.startswith(BOM), f"{name} starts with a UTF-8 byte-order mark")
    check(b"\n" not in data.replace(b"\r\n", b""), f"every line of {name} ends in CR LF")
    return data[len(BOM):].decode("utf-8").replace("\r\n", "\n")


def sections(text):
    """The notes' sections: a heading at the margin, then indented lines."""
    found, heading = {}, None
    for line in text.split("\n"):
        if line and not line.startswith(" "):
            heading = line
            found[heading] = ""
        elif heading:
            found[heading] += line + "\n"
    return found


# ---- The install notes -------------------------------------------------------

notes = user_text("install.txt")
japanese, english = notes.split("■ English")
ja, en = sections(japanese), sections(english)
for headings, part, language in (
        (["概要", "動作環境", "インストール", "はじめて使うとき", "並び順ファイル", "アップグレード", "アンインストール",
          "メッセージの意味", "うまくいかないとき", "ご注意"], ja, "Japanese"),
        (["Requirements", "Installing", "First use", "The order file", "Upgrading", "Uninstalling",
          "What the messages mean", "Troubleshooting"], en, "English")):
    missing = [heading for heading in headings if heading not in part]
    check(not missing, f"the {language} notes have every section: {missing} missing")
uninstall_ja, uninstall_en = ja.get("アンインストール", ""), en.get("Uninstalling", "")
check(all(word in uninstall_ja for word in ("終了", "tamrivel.dll", "tamrivel.cfg", "削除", "起動")),
      "the Japanese uninstall steps quit Becky!, delete the DLL and the order file, and restart")
check(all(word in uninstall_en for word in ("Quit", "Delete tamrivel.dll and tamrivel.cfg", "Start")),
      "the English uninstall steps quit Becky!, delete the DLL and the order file, and restart")
check("2.05.04" in ja.get("動作環境", "") and "2.05.04" in en.get("Requirements", ""),
      "both languages name the oldest Becky! that works")
check("Shift_JIS" in japanese and "ANSI" in japanese and "メモ帳" in japanese,
      "the Japanese notes tell how to save the order file")
check("Shift_JIS" in english and '"ANSI"' in english and "UTF-8" in english,
      "the English notes tell how to save the order file")
check("VirtualStore" in ja.get("うまくいかないとき", "") and "VirtualStore" in en.get("Troubleshooting", ""),
      "both languages say where Windows may have put the order file, and how to reset it there")
developer = re.findall(r"\bmake\s+\w+|scripts/|build/|\bwine\b|TREE=", notes, re.I)
check(not developer, f"the notes name no developer command: {developer}")
check("Sort dialog" not in notes and "並び替え" in japanese and "並び替え" in english,
      "both languages call the editor by its title on screen, 並び替え")
ja_headings = [line for line in japanese.split("\n") if line and not line.startswith((" ", "■"))]
check(ja_headings.index("この説明で使うことば") > ja_headings.index("はじめて使うとき"),
      "the Japanese glossary comes after the first steps")
check("tam" in uninstall_ja and ".tmp" in uninstall_ja and ".tmp" in uninstall_en,
      "the uninstall steps mention a new copy a cut-short save left behind")

# Words a Japanese user was let down by: a verb other than Windows' 並べ替える,
# the window called a screen, jargon, and advice to loosen access rights. The
# module's own texts as the DLL holds them (Shift_JIS), the notes, the changes
# and the README.
retired = ["並び替えて", "この画面", "並び替えの画面", "目印", "アクセス許可を確認", "フォルダに当たらない"]
texts_source = read(os.path.join(source, "plugin/texts.cpp"), "r")
for name, text in (("plugin/texts.cpp", texts_source), ("install.txt", notes),
                   ("CHANGELOG.md", read(os.path.join(source, "CHANGELOG.md"), "r")),
                   ("README.md", read(os.path.join(source, "README.md"), "r"))):
    found = [word for word in retired if word in text]
    check(not found, f"{name} no longer says {found}")
dll_found = [word for word in retired if word.encode("cp932") in read(dll)]
check(not dll_found, f"the DLL's texts no longer say {dll_found}")

licence = user_text("LICENSE.txt")
check(licence == read(os.path.join(source, "LICENSE"), "r"), "LICENSE.txt is the repository's LICENSE")
copyright_lines = [line for line in licence.split("\n") if line.startswith("Copyright")]
check(licence.startswith("MIT License") and copyright_lines and copyright_lines[0].endswith(" Oskvar"),
      "the licence is MIT, held by Oskvar")

changes = user_text("CHANGELOG.txt")
check(changes.split("\n")[0] == "更新履歴 / Changes", "the changes are titled in both languages")
check("<!--" not in changes and "`" not in changes and "\n#" not in changes,
      "the changes in the zip are plain text, without Markdown marks or comments")

# ---- One version everywhere --------------------------------------------------


def version_record(data):
    """The version record's fixed numbers and its texts, read from the DLL."""
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    fixed = struct.unpack_from("<8H", data, at + 8) if at >= 0 else ()
    texts = {}
    for key in ("FileVersion", "ProductVersion", "LegalCopyright"):
        at = data.find((key + "\0").encode("utf-16-le"))
        if at < 0:
            continue
        at += 2 * (len(key) + 1)
        while data[at:at + 2] == b"\0\0":  # alignment
            at += 2
        end = at
        while data[end:end + 2] != b"\0\0":
            end += 2
        texts[key] = data[at:end].decode("utf-16-le")
    return fixed, texts


dll_bytes = read(dll)
fixed, texts = version_record(dll_bytes)
# Each 32-bit half is stored low word first: minor, major, tweak, patch.
check(fixed[:4] == (numbers[1], numbers[0], numbers[3], numbers[2]) and fixed[4:] == fixed[:4],
      f"the version record's file and product numbers are {four_part}: {fixed}")
check(texts.get("FileVersion") == four_part and texts.get("ProductVersion") == four_part,
      f"the version record's texts say {four_part}: {texts}")
check(copyright_lines and texts.get("LegalCopyright") == copyright_lines[0],
      "the version record's copyright is the licence's copyright line")
check(notes.startswith(f"Tamrivel {version} "), "the notes' first line names the version")
# The plug-in list shows the version as the host's fixed text has it; the
# notes say once which release that is.
check(f"「1.01」と表示されます。これは\n     {version} のことです" in ja.get("はじめて使うとき", ""),
      "the Japanese first steps say which release the plug-in list's 1.01 is")
check(f"1.01: that is {version}" in en.get("First use", ""), "the English first steps say which release 1.01 is")
other = {number for number in re.findall(r"(?<![\d.])(\d+\.\d+\.\d+)(?![\d.])", notes + changes)
         if number not in (version, "2.05.04")}
check(not other, f"the notes and the changes name no other release: {other}")
check(re.search(r"^(\S+)\n=+$", changes, re.M).group(1) == version,
      "the newest entry of the changes is this version")
in_readme = set(re.findall(r"tamrivel-(\d+(?:\.\d+)+)", read(os.path.join(source, "README.md"), "r")))
check(in_readme <= {version}, f"the README names no other version: {in_readme}")
by_hand = re.compile(r"(?<![\d.])(%s|%s|%s)(?!\.?\d)" % (re.escape(version), re.escape(four_part),
                                                        r",\s*".join(map(str, numbers))))
for name in ("Makefile", "README.md", "resources/tamrivel.rc", "resources/install.txt",
             "tests/resources_test.cpp", "scripts/make-dist"):
    check(not by_hand.search(read(os.path.join(source, name), "r")),
          f"{name} takes the version from CMakeLists.txt instead of repeating it")

pe = struct.unpack_from("<I", dll_bytes, 0x3C)[0]
check(struct.unpack_from("<I", dll_bytes, pe + 8)[0] == 0, "the DLL's header holds no time stamp")

# ---- A second build: same bytes ----------------------------------------------

# A copy of the sources as a clone has them, built in another folder with
# only what the zip needs: the DLL and the zip must come out byte for byte.
copy, second = os.path.join(work, "second-source"), os.path.join(work, "second-build")
for folder_path in (copy, second):
    shutil.rmtree(folder_path, ignore_errors=True)
listed = subprocess.run(["git", "-C", source, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                        capture_output=True)
if listed.returncode == 0:
    for name in listed.stdout.decode().split("\0"):
        if name and os.path.isfile(os.path.join(source, name)):
            os.makedirs(os.path.dirname(os.path.join(copy, name)), exist_ok=True)
            shutil.copy2(os.path.join(source, name), os.path.join(copy, name))
else:
    shutil.copytree(source, copy, ignore=shutil.ignore_patterns("build", ".git"))
configured = subprocess.run(
    ["cmake", "-S", copy, "-B", second, "-DCMAKE_BUILD_TYPE=" + build_type, "-DTAMRIVEL_BUILD_TESTS=OFF",
     "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(copy, "cmake/toolchain-i686-w64-mingw32.cmake")],
    capture_output=True, text=True)
built = subprocess.run(["cmake", "--build", second, "--target", "dist", "-j", "2"],
                       env=env, capture_output=True, text=True) if configured.returncode == 0 else configured
check(built.returncode == 0, "the second build succeeds:\n" + built.stdout[-2000:] + built.stderr[-2000:])
if built.returncode == 0:
    second_dll = read(os.path.join(second, "tamrivel.dll"))
    check(second_dll == dll_bytes, "the second build's DLL has the same bytes: "
          + first_difference(second_dll, dll_bytes))
    second_zip = read(os.path.join(second, "dist", folder + ".zip"))
    check(second_zip == zip_bytes, "the second build's zip has the same bytes: " + first_difference(second_zip, zip_bytes))
    check(read(os.path.join(second, "dist", folder + ".zip.sha256")) == read(checksum_file),
          "the second build's checksum file is the same")
    shutil.rmtree(copy, ignore_errors=True)
    shutil.rmtree(second, ignore_errors=True)

print(f"{checks - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
