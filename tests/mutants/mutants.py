#!/usr/bin/env python3
"""Plants known faults in a scratch copy of the sources, one at a time, and
shows that the test programs which guard against each one fail.

Usage: tests/mutants/mutants.py [--scratch DIR] [--jobs N] [--only NAME...]

The scratch copy (default: build-mutants/ beside the sources) holds its own
source tree, build and Wine prefix; a second run reuses its build, so only
what each fault touches is rebuilt. Each fault is a regular expression that
must match exactly once in its file: when the code it aims at has changed,
the run says so and fails rather than test an unchanged product.

Ends with the table fault -> catching tests; the exit code is 0 only when
every fault applied and was caught, and the unchanged product passed first.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# name, file, pattern, replacement, test programs to run, what breaks.
MUTANTS = [
    dict(name="update-error-dropped",
         file="packages/native/DeviceBinding.cpp",
         pattern=r"if \(dwCallError != ERROR_SUCCESS\)\s*return dwCallError;",
         repl="(void)dwCallError;",
         tests=["native_failure_tests", "native_tests"],
         what="a failed UpdateDriverForPlugAndPlayDevicesW is no longer reported"),
    dict(name="oem-catalog-name-false",
         file="packages/native/StagedCopy.cpp",
         pattern=r"(bool OemCatalogName\([^)]*\)\s*\{)",
         repl=r"\1\n    if (pszName)\n        return false;",
         tests=["native_failure_tests", "failure_e2e_tests"],
         what="oem<N>.inf with oem<N>.cat is never a staged copy"),
    dict(name="install-restart-dropped",
         file="packages/native/DeviceBinding.cpp",
         pattern=r"if \(bReboot\)\s*\*pbNeedReboot = TRUE;",
         repl="(void)bReboot;\n            (void)pbNeedReboot;",
         tests=["native_failure_tests"],
         what="the restart need of the native install is dropped"),
    dict(name="removal-restart-dropped",
         file="packages/native/DeviceBinding.cpp",
         pattern=r"devices\.NoteRebootNeed\(&device, pbNeedReboot\);",
         repl="(void)pbNeedReboot;",
         tests=["native_failure_tests"],
         what="the restart need of a device removal is dropped"),
    dict(name="repair-removal-failure-dropped",
         file="devfix/MtpConflict.cpp",
         pattern=r"(const DWORD dwError = RemoveDevice\([^;]*\);)\s*if \(dwResult == ERROR_SUCCESS\)\s*dwResult = dwError;",
         repl=r"\1\n            (void)dwError;",
         tests=["native_failure_tests", "failure_e2e_tests"],
         what="the repair's failure to remove a device is not reported"),
    dict(name="verify-copies-files",
         file="verify/CopiedFilesCheck.cpp",
         pattern=r"(for \(LPCWSTR pszFile = files\.First\(\); pszFile; pszFile = files\.Next\(pszFile\)\) \{)",
         repl=r"""\1
        {
            WCHAR szTarget[MAX_PATH * 2];
            LPCWSTR pszName = wcsrchr(pszFile, L'\\\\');
            const UINT cch = GetSystemDirectoryW(szTarget, MAX_PATH);
            if (pszName && cch > 0 && cch < MAX_PATH) {
                lstrcpynW(szTarget + cch, L"\\\\drivers", 9);
                lstrcpynW(szTarget + cch + 8, pszName, MAX_PATH);
                CopyFileW(pszFile, szTarget, FALSE);
            }
        }""",
         tests=["verify_state_tests"],
         what="/v copies the package's files into System32\\drivers"),
    dict(name="share-branch-removed",
         file="packages/native/SystemFolderGuard.cpp",
         pattern=r"\*pFolder = FolderByIdentity\(([^;]*)\);",
         repl=r"*pFolder = systemFolderNone;\n    (void)FolderByIdentity;",
         tests=["native_failure_tests"],
         what="the system-folder guard's share branch is removed"),
    dict(name="catalog-precedence-changed",
         file="inf/PackageCatalog.cpp",
         pattern=r'ArchitectureCatalogKey\(architecture\), L"CatalogFile\.NT", L"CatalogFile"',
         repl='L"CatalogFile.NT", ArchitectureCatalogKey(architecture), L"CatalogFile"',
         tests=["native_failure_tests"],
         what="the CatalogFile.NTamd64 / .NT precedence is changed"),
    dict(name="lock-takeover-silent",
         file="packages/PackageCallLock.cpp",
         pattern=r"if \(wait == mutexAbandoned && pLog\)\s*pLog->CallLockTakenOver\(\);",
         repl="",
         tests=["failure_e2e_tests"],
         what="a lock taken over from a killed run is not logged"),
    dict(name="lock-unavailable-silent",
         file="packages/PackageCallLock.cpp",
         pattern=r"if \(scope == mutexScopeForeign\)\s*pLog->CallLockForeign\(m_pszName\);",
         repl="if (scope == mutexScopeForeign) {}",
         tests=["failure_e2e_tests"],
         what="a lock name held by someone else is not logged"),
    dict(name="call-lock-never-taken",
         file="packages/PackageCallLock.cpp",
         pattern=r"m_bHeld = Wait\(pCallback, pLog\);",
         repl="m_bHeld = false;",
         tests=["failure_e2e_tests"],
         what="package calls of two runs are no longer kept apart"),
    dict(name="staging-error-dropped",
         file="packages/native/NativeDriverInstall.cpp",
         pattern=r'(NativeLogEvent\(DIFXAPI_ERROR, dwError, L"Cannot stage \\"%ls\\" into the driver store", pszFullPath\);)\s*return dwError;',
         repl=r"\1\n        return ERROR_SUCCESS;",
         tests=["native_failure_tests"],
         what="a failed SetupCopyOEMInfW counts as staged"),
    dict(name="di-uninstall-error-mapped-away",
         file="packages/native/PackageRemoval.cpp",
         pattern=r"if \(dwError == ERROR_FILE_NOT_FOUND \|\| dwError == ERROR_NOT_FOUND\)",
         repl="if (dwError != ERROR_SUCCESS)",
         tests=["native_failure_tests", "native_tests"],
         what="every DiUninstallDriverW failure reads as \"not in the store\""),
]


def run(cmd, **kw):
    return subprocess.run(cmd, **kw)


def sync_sources(scratch):
    src = os.path.join(scratch, "src")
    os.makedirs(src, exist_ok=True)
    # The sources as they are in the work tree, committed or not.
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=ROOT, check=True,
                           capture_output=True, text=True).stdout.split("\n")
    for rel in files:
        if not rel or not os.path.isfile(os.path.join(ROOT, rel)):
            continue
        dst = os.path.join(src, rel)
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        a = os.path.join(ROOT, rel)
        if not os.path.exists(dst) or open(a, "rb").read() != open(dst, "rb").read():
            shutil.copy2(a, dst)
    return src


def build(src, bld, jobs, targets):
    if not os.path.exists(os.path.join(bld, "CMakeCache.txt")):
        r = run(["cmake", "-S", src, "-B", bld, "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake",
                 "-DCMAKE_BUILD_TYPE=Release"], cwd=src, stdout=subprocess.DEVNULL)
        if r.returncode:
            return False
    cmd = ["cmake", "--build", bld, "-j", str(jobs)]
    for t in targets:
        cmd += ["--target", t]
    return run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE).returncode == 0


def run_tests(src, bld, jobs, tests):
    regex = "^(" + "|".join(tests) + ")$"
    cmd = ["bash", os.path.join(src, "scripts/with-display.sh"), "bash", os.path.join(src, "scripts/wine-session.sh"),
           os.path.join(bld, "wineprefix"), "ctest", "--test-dir", bld, "--output-on-failure", "-j", str(jobs),
           "-R", regex]
    r = run(cmd, capture_output=True, text=True, errors="replace")
    out = r.stdout + r.stderr
    failed_programs = re.findall(r"^\s*\d+ - (\S+) \(", out, re.M)
    failed_cases = sorted(set(c.rstrip(",") for c in re.findall(r"^\[  FAILED  \] ([A-Za-z]\S*\.\S+)", out, re.M)))
    return r.returncode == 0, failed_programs, failed_cases, out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--scratch", default=os.path.join(ROOT, "build-mutants"))
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--only", nargs="*")
    ap.add_argument("--no-baseline", action="store_true")
    args = ap.parse_args()
    mutants = [m for m in MUTANTS if not args.only or m["name"] in args.only]

    src = sync_sources(args.scratch)
    bld = os.path.join(args.scratch, "build")
    all_tests = sorted({t for m in mutants for t in m["tests"]})
    targets = ["tavelin", "difxapi_standin"] + all_tests

    # Every pattern first: a fault that no longer applies is known before
    # any build.
    stale = []
    for m in mutants:
        text = open(os.path.join(src, m["file"])).read()
        n = len(re.findall(m["pattern"], text))
        if n != 1:
            stale.append((m["name"], m["file"], n))
    for name, path, n in stale:
        print(f"PATCH DOES NOT APPLY: {name}: its pattern matches {n} times in {path}", file=sys.stderr)

    print("building the unchanged sources in", args.scratch, flush=True)
    if not build(src, bld, args.jobs, targets):
        print("the unchanged sources do not build", file=sys.stderr)
        return 2
    if not args.no_baseline:
        ok, progs, cases, out = run_tests(src, bld, args.jobs, all_tests)
        if not ok:
            print(out[-4000:])
            print("the unchanged product fails its tests: no fault can be measured", file=sys.stderr)
            return 2
        print("unchanged product: " + ", ".join(all_tests) + " pass", flush=True)

    rows = []
    for m in mutants:
        if any(s[0] == m["name"] for s in stale):
            rows.append((m, "NOT APPLIED", []))
            continue
        path = os.path.join(src, m["file"])
        original = open(path).read()
        mutated = re.sub(m["pattern"], m["repl"], original, count=1)
        with open(path, "w") as f:
            f.write(mutated)
        try:
            if not build(src, bld, args.jobs, ["tavelin"] + m["tests"]):
                rows.append((m, "DOES NOT BUILD", []))
                continue
            ok, progs, cases, _ = run_tests(src, bld, args.jobs, m["tests"])
            rows.append((m, "MISSED" if ok else "CAUGHT", cases or progs))
        finally:
            with open(path, "w") as f:
                f.write(original)
            # The original's time stamp is older than the mutant's object.
            os.utime(path, None)
        print(f"{m['name']}: {rows[-1][1]} {' '.join(rows[-1][2])}", flush=True)

    build(src, bld, args.jobs, targets)
    print()
    print("| fault | file | status | caught by |")
    print("|---|---|---|---|")
    for m, status, by in rows:
        print(f"| {m['what']} | {m['file']} | {status} | {', '.join(by)} |")
    return 0 if all(r[1] == "CAUGHT" for r in rows) and not stale else 1


if __name__ == "__main__":
    sys.exit(main())
