#!/usr/bin/env python3
"""Adds up the CTest results of the given build folders into one closing line."""
import os
import re
import sys

passed = failed = 0
for build in sys.argv[1:]:
    log = os.path.join(build, "Testing", "Temporary", "LastTest.log")
    if not os.path.exists(log):
        continue
    with open(log, encoding="utf-8", errors="replace") as f:
        text = f.read()
    passed += len(re.findall(r'^Test Passed\.', text, re.M))
    failed += len(re.findall(r'^Test Failed\.', text, re.M))
print(f"{passed} passed, {failed} failed")
