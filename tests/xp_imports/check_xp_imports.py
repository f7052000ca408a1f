#!/usr/bin/env python3
"""Checks that a 32-bit Windows program imports nothing Windows XP SP3 lacks.

Windows' loader refuses a program that imports a function its DLL does not export ("The procedure
entry point ... could not be located"), before the program runs a single line. XP's DLLs are not
at hand here, so the check compares the program's import table with what we can know without them:

  1. DLLs: every imported DLL must be one that Windows XP SP3 ships (xp_dlls.txt).
  2. Windows API: a function that the MinGW-w64 headers declare for a Windows 10 target
     (_WIN32_WINNT=0x0A00) but not for an XP SP3 target (_WIN32_WINNT=0x0501) came with a later
     Windows. The headers are preprocessed twice and the declared names compared.
  3. msvcrt.dll: Windows' own C runtime is not versioned by those headers. msvcrt_newer_than_xp.txt
     lists the functions, and the name patterns, that XP's msvcrt.dll does not export.
  4. Imports by ordinal cannot be named, so they fail the check too.
  5. The PE header: XP's loader refuses a program that asks for a later subsystem or system
     version than 5.1 ("not a valid Win32 application").

What a pass does NOT prove: that every remaining function exists in XP's DLLs (a function the
headers declare without a version guard, or a CRT function missing from the hand-kept list, would
slip through), that the functions behave on XP as on later Windows, or that the program runs on
XP at all. It catches the common way a MinGW build stops loading on XP: a newer function pulled in
by the program or by a static runtime library.

Usage: check_xp_imports.py [--self-test] [PROGRAM.exe]
  PROGRAM.exe     check a program; exit 1 naming every newer import
  --self-test     first build small programs XP could not start and make sure the check refuses
                  each of them (and passes one it could)
"""

import argparse
import concurrent.futures
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TARGET = "i686-w64-mingw32"
GCC = TARGET + "-gcc"
OBJDUMP = TARGET + "-objdump"

# The SDK headers of the DLLs a Win32 program of this kind may import from.
HEADERS = [
    "winsock2.h", "ws2tcpip.h",  # before windows.h, which would pull in the old winsock.h
    "windows.h", "commctrl.h", "commdlg.h", "shellapi.h", "shlobj.h", "shlwapi.h", "objbase.h",
    "ole2.h", "oleauto.h", "winsvc.h", "psapi.h", "tlhelp32.h", "uxtheme.h", "wininet.h",
    "userenv.h", "wtsapi32.h", "lm.h", "setupapi.h", "imm.h", "mmsystem.h", "winspool.h",
    "dbghelp.h", "iphlpapi.h",
]

# Windows XP SP3 with its own Internet Explorer 6 SP3, and Windows 10.
XP_TARGET = {"_WIN32_WINNT": "0x0501", "WINVER": "0x0501", "NTDDI_VERSION": "0x05010300",
             "_WIN32_IE": "0x0603"}
LATEST_TARGET = {"_WIN32_WINNT": "0x0A00", "WINVER": "0x0A00", "NTDDI_VERSION": "0x0A000000",
                 "_WIN32_IE": "0x0A00"}


def read_list(name):
    """Lines of a list file next to this script, without comments and blank lines."""
    with open(os.path.join(HERE, name), encoding="utf-8") as handle:
        lines = (line.split("#", 1)[0].strip() for line in handle)
        return [line for line in lines if line]


def declared_names(target):
    """Every identifier the headers put before an opening parenthesis for this target: the
    functions they declare, among other things that do not depend on the target."""
    source = "".join("#include <%s>\n" % header for header in HEADERS)
    command = [GCC, "-E", "-P", "-x", "c", "-"] + ["-D%s=%s" % item for item in target.items()]
    result = subprocess.run(command, input=source, capture_output=True, text=True, check=False)
    if result.returncode != 0:
        sys.exit("preprocessing the Windows headers failed:\n" + result.stderr[-2000:])
    return set(re.findall(r"\b([A-Za-z_]\w*)\s*\(", result.stdout))


def api_newer_than_xp():
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        xp, latest = pool.map(declared_names, [XP_TARGET, LATEST_TARGET])
    return latest - xp


def header_versions(program):
    """{"MajorSubsystemVersion": 4, ...} from the program's optional header."""
    result = subprocess.run([OBJDUMP, "-p", program], capture_output=True, text=True, check=False)
    versions = {}
    for line in result.stdout.splitlines():
        match = re.match(r"(Major|Minor)(Subsystem|OSystem)Version\s+(\d+)", line)
        if match:
            versions[match.group(1) + match.group(2) + "Version"] = int(match.group(3))
    return versions


def header_findings(program):
    versions = header_versions(program)
    findings = []
    for kind in ("Subsystem", "OSystem"):
        major = versions.get("Major%sVersion" % kind)
        minor = versions.get("Minor%sVersion" % kind)
        if major is None or minor is None:
            findings.append("PE header: no %s version found" % kind)
        elif (major, minor) > (5, 1):
            findings.append("PE header: %s version %d.%d, Windows XP is 5.1"
                            % ("subsystem" if kind == "Subsystem" else "operating system",
                               major, minor))
    return findings


def imports_of(program):
    """{dll (lower case): [function names, and '#ordinal' for imports by ordinal]}"""
    result = subprocess.run([OBJDUMP, "-p", program], capture_output=True, text=True, check=False)
    if result.returncode != 0:
        sys.exit("%s could not read %s:\n%s" % (OBJDUMP, program, result.stderr))
    imports = {}
    dll = None
    for line in result.stdout.splitlines():
        match = re.match(r"\s*DLL Name:\s*(\S+)", line)
        if match:
            dll = match.group(1).lower()
            imports.setdefault(dll, [])
            continue
        if dll is None:
            continue
        if not line.strip():
            continue
        # "\t5872c\t 1569  RegCloseKey" (hint and name) or "\t80000010\t   16  <none>" (ordinal)
        match = re.match(r"\t[0-9a-f]+\t\s*(\d+)\s+(\S+)\s*$", line)
        if match:
            name = match.group(2)
            imports[dll].append("#" + match.group(1) if name == "<none>" else name)
        elif not line.startswith("\t"):
            dll = None  # the next import directory entry, or the end of the table
    if not imports:
        sys.exit("no import table found in %s" % program)
    return imports


def msvcrt_rules():
    exact, patterns = set(), []
    for entry in read_list("msvcrt_newer_than_xp.txt"):
        if entry.startswith("re:"):
            patterns.append(re.compile(entry[3:]))
        else:
            exact.add(entry)
    return exact, patterns


def findings_for(program, api_newer):
    xp_dlls = {name.lower() for name in read_list("xp_dlls.txt")}
    crt_exact, crt_patterns = msvcrt_rules()
    findings = header_findings(program)
    for dll, functions in sorted(imports_of(program).items()):
        if dll not in xp_dlls:
            findings.append("%s: a DLL Windows XP does not have" % dll)
            continue
        for function in functions:
            if function.startswith("#"):
                findings.append("%s ordinal %s: imported by number, cannot be checked"
                                % (dll, function[1:]))
            elif function in api_newer:
                findings.append("%s!%s: declared by the headers only for Windows Vista or later"
                                % (dll, function))
            elif dll == "msvcrt.dll" and (function in crt_exact
                                          or any(p.fullmatch(function) for p in crt_patterns)):
                findings.append("%s!%s: not in the msvcrt.dll of Windows XP" % (dll, function))
    return findings


def check(program, api_newer):
    findings = findings_for(program, api_newer)
    name = os.path.basename(program)
    if findings:
        print("%s imports what Windows XP SP3 lacks; XP would refuse to start it:" % name)
        for finding in findings:
            print("  " + finding)
        return 1
    count = sum(len(functions) for functions in imports_of(program).values())
    versions = header_versions(program)
    print("%s: none of its %d imports is newer than Windows XP SP3 (headers, DLL list, msvcrt "
          "list); subsystem version %d.%d" % (name, count, versions["MajorSubsystemVersion"],
                                              versions["MinorSubsystemVersion"]))
    return 0


# Programs the check must refuse, each with what it must name. Built with the compiler that builds
# quillset.exe, so the check is shown to fail on this toolchain's output.
SELF_TEST_PROGRAMS = [
    ("kernel32.dll!GetTickCount64",
     "#define _WIN32_WINNT 0x0600\n#include <windows.h>\n"
     "int main(void) { return (int)GetTickCount64(); }\n", []),
    ("user32.dll!SetProcessDPIAware",
     "#define _WIN32_WINNT 0x0600\n#include <windows.h>\n"
     "int main(void) { return SetProcessDPIAware(); }\n", ["-luser32"]),
    ("msvcrt.dll!strcpy_s",
     "#include <string.h>\nerrno_t __cdecl strcpy_s(char *, size_t, const char *);\n"
     "int main(int argc, char **argv) {\n"
     "  char b[8];\n  return strcpy_s(b, sizeof b, argv[argc - 1]);\n}\n", []),
    ("msvcrt.dll!_get_heap_handle",
     "#include <stdint.h>\nintptr_t __cdecl _get_heap_handle(void);\n"
     "int main(void) { return (int)_get_heap_handle(); }\n", []),
    ("PE header: subsystem version 6.0",
     "int main(void) { return 0; }\n",
     ["-Wl,--major-subsystem-version,6,--minor-subsystem-version,0"]),
    ("dwmapi.dll: a DLL",
     "#include <windows.h>\n#include <dwmapi.h>\n"
     "int main(void) { BOOL on; return (int)DwmIsCompositionEnabled(&on); }\n", ["-ldwmapi"]),
]


def build_probe(folder, number, source, libraries):
    """Builds one probe program; returns its path, or the compiler's complaint."""
    source_path = os.path.join(folder, "probe%d.c" % number)
    program = os.path.join(folder, "probe%d.exe" % number)
    with open(source_path, "w", encoding="utf-8") as handle:
        handle.write(source)
    # -fno-builtin: the compiler would otherwise inline or rename the CRT calls.
    build = subprocess.run([GCC, "-O0", "-fno-builtin", "-o", program, source_path] + libraries,
                           capture_output=True, text=True, check=False)
    return program if build.returncode == 0 else build.stderr


def self_test(api_newer):
    # A program with XP's functions only must pass; each of the others must be refused.
    cases = [("", "#include <windows.h>\nint main(void) { return (int)GetTickCount(); }\n", [])]
    cases += SELF_TEST_PROGRAMS
    failures = 0
    with tempfile.TemporaryDirectory() as folder, \
            concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        builds = [pool.submit(build_probe, folder, number, source, libraries)
                  for number, (_, source, libraries) in enumerate(cases)]
        for (expected, _, _), build in zip(cases, builds):
            what = expected or "XP functions only"
            program = build.result()
            if not program.endswith(".exe"):
                print("self-test: could not build the probe for %s:\n%s" % (what, program))
                failures += 1
                continue
            findings = findings_for(program, api_newer)
            if not expected and findings:
                print("self-test: a program with XP's functions only was refused: %s" % findings)
                failures += 1
            elif expected and not any(finding.startswith(expected) for finding in findings):
                print("self-test: the check missed %s (it found %s)" % (expected, findings))
                failures += 1
    if failures:
        return 1
    print("self-test: the check refuses each of %d programs XP could not start and passes one it "
          "could" % len(SELF_TEST_PROGRAMS))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program", nargs="?", help="the i686 Windows program to check")
    parser.add_argument("--self-test", action="store_true",
                        help="show that the check catches newer imports")
    arguments = parser.parse_args()
    if not arguments.program and not arguments.self_test:
        parser.error("name a program, or --self-test")
    api_newer = api_newer_than_xp()
    status = self_test(api_newer) if arguments.self_test else 0
    if arguments.program:
        status |= check(arguments.program, api_newer)
    return status


if __name__ == "__main__":
    sys.exit(main())
