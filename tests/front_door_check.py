#!/usr/bin/env python3
"""The front door's scripts: setup's plan for a fresh machine, as root and
as anyone else (through sudo), and the install notes as the zip carries them.

Usage: front_door_check.py SOURCE_DIR WORK_DIR
"""
import os
import subprocess
import sys

source, work = sys.argv[1], sys.argv[2]
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
if os.geteuid() == 0:
    check(not any(line.startswith("sudo") for line in plan), "as root the plan needs no sudo")
    code, plan = dry_run("nobody")
    check(code == 0 and plan, "setup --dry-run works for a user who is not root")
    check(all(line.startswith("sudo ") for line in plan), "for anyone else every command goes through sudo")
else:
    check(all(line.startswith("sudo ") for line in plan), "for anyone else every command goes through sudo")

notes = os.path.join(work, "install.txt")
subprocess.run([sys.executable, os.path.join(source, "scripts/make-install-notes"),
                os.path.join(source, "resources/install.txt"), notes], check=True)
data = open(notes, "rb").read()
check(data.startswith(b"\xef\xbb\xbf"), "the notes start with a UTF-8 byte-order mark")
check(b"\n" not in data.replace(b"\r\n", b""), "every line of the notes ends in CR LF")
text = data[3:].decode("utf-8")
japanese, english = text.split("■ English")
check("Shift_JIS" in japanese and "ANSI" in japanese and "メモ帳" in japanese,
      "the Japanese notes tell how to save the order file")
check("Shift_JIS" in english and '"ANSI"' in english and "UTF-8" in english,
      "the English notes tell how to save the order file")

print(f"{checks - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
