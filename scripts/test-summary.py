#!/usr/bin/env python3
"""Adds up the CTest results of the given build folders into one closing line. A build whose
tests were not run says why in its tests-not-run.txt: that line is printed before the total."""
import os
import re
import sys

passed = failed = 0
notes = []
for build in sys.argv[1:]:
    note = os.path.join(build, "tests-not-run.txt")
    if os.path.exists(note):
        with open(note, encoding="utf-8") as f:
            notes.append(f.read().strip())
    log = os.path.join(build, "Testing", "Temporary", "LastTest.log")
    if not os.path.exists(log):
        continue
    with open(log, encoding="utf-8", errors="replace") as f:
        text = f.read()
    passed += len(re.findall(r'^Test Passed\.', text, re.M))
    failed += len(re.findall(r'^Test Failed\.', text, re.M))
for note in notes:
    print(note)
print(f"{passed} passed, {failed} failed")
