#!/usr/bin/env python3
"""Fails when product code outside platform/ calls the system's file, user or process
functions itself.

platform/ is the one place that knows Linux: the programs reach files (beyond the C and
C++ libraries' own streams), users, groups and processes through its functions, so that
each such call has one home with its error handling and its tests. The check reads the
undefined symbols of every object file built from a product source outside platform/
(nm), which shows a call however the source spells it. libpcap is a dependency the
collector calls directly, and its types and functions are no such calls.

usage: check_platform_calls.py <build folder> <source folder>
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from product_objects import product_units, symbols  # noqa: E402

LAYER = "platform/"

# The system's calls on files and descriptors, users and groups, and processes.
SYSTEM_CALLS = {
    # files and descriptors
    "open", "open64", "openat", "openat64", "creat", "creat64", "close", "read", "write", "pread", "pread64",
    "pwrite", "pwrite64", "lseek", "lseek64", "stat", "stat64", "fstat", "fstat64", "lstat", "lstat64", "fstatat",
    "fstatat64", "statx", "__xstat", "__xstat64", "__fxstat", "__fxstat64", "__lxstat", "__lxstat64", "access",
    "faccessat", "unlink", "unlinkat", "rename", "renameat", "renameat2", "mkdir", "mkdirat", "rmdir", "chmod",
    "fchmod", "fchmodat", "chown", "fchown", "lchown", "fchownat", "flock", "fcntl", "fcntl64", "fsync",
    "fdatasync", "ftruncate", "ftruncate64", "truncate", "truncate64", "posix_fallocate", "posix_fallocate64",
    "link", "linkat", "symlink", "symlinkat", "readlink", "readlinkat", "realpath", "opendir", "fdopendir",
    "readdir", "readdir64", "closedir", "mkstemp", "mkstemp64", "mkdtemp", "dup", "dup2", "dup3", "pipe", "pipe2",
    "mkfifo", "umask",
    # users and groups
    "getuid", "geteuid", "getgid", "getegid", "getgroups", "getpwuid", "getpwuid_r", "getpwnam", "getpwnam_r",
    "getgrnam", "getgrnam_r", "getgrgid", "getgrgid_r", "getgrouplist", "initgroups", "setuid", "setgid",
    "seteuid", "setegid", "setgroups",
    # processes
    "getpid", "getppid", "gettid", "kill", "fork", "vfork", "execv", "execve", "execvp", "execl", "execlp",
    "waitpid", "wait", "wait4", "waitid", "posix_spawn", "posix_spawnp", "setsid", "prctl",
    "program_invocation_name", "program_invocation_short_name",
}


def main():
    build, source = (os.path.realpath(p) for p in sys.argv[1:3])
    faults = []
    checked = 0
    layer_calls = False
    for _, rel, obj in product_units(build, source):
        if obj is None:
            faults.append("%s: no object file (build everything first)" % rel)
            continue
        calls = sorted(set(symbols("--undefined-only", obj)) & SYSTEM_CALLS)
        if rel.startswith(LAYER):
            layer_calls = layer_calls or bool(calls)
            continue
        checked += 1
        faults += ["%s calls %s itself: go through platform/" % (rel, call) for call in calls]
    # The net must catch something at all: the layer's own calls.
    if not layer_calls:
        faults.append("nm shows none of the system calls in platform/'s objects")
    if checked == 0:
        faults.append("no product source outside platform/ was checked")
    for fault in faults:
        print(fault)
    print("%d product sources outside platform/ checked, %d faults" % (checked, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
