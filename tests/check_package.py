#!/usr/bin/env python3
"""The Debian package of a build folder holds what installing it gives, and
its program runs.

1. cpack builds the .deb from the build folder (as `make package` does).
2. Its file list must be that of `cmake --install` into /usr, with the renames
   of cmake/debian/stage.cmake (manual pages gzipped, LICENSE as copyright)
   and the files Debian asks for besides (changelog.Debian.gz, lintian's
   overrides): nothing missing, nothing extra.
3. The program unpacked with `dpkg-deb -x` runs a golden transcript.

usage: check_package.py --build DIR --work DIR --runner TRANSCRIPT_RUNNER --transcripts DIR NAME
"""
import argparse
import glob
import os
import shutil
import subprocess
import sys

DEBIAN_ONLY = {"usr/share/doc/ziffralon/changelog.Debian.gz", "usr/share/lintian/overrides/ziffralon"}


def run(*command, **options):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True, **options).stdout


def as_packaged(path):
    if path.startswith("usr/share/man/"):
        return path + ".gz"
    if path == "usr/share/doc/ziffralon/LICENSE":
        return "usr/share/doc/ziffralon/copyright"
    return path


def main():
    arguments = argparse.ArgumentParser()
    for name in ("--build", "--work", "--runner", "--transcripts"):
        arguments.add_argument(name, required=True)
    arguments.add_argument("transcript")
    options = arguments.parse_args()
    for name in ("build", "work", "runner", "transcripts"):
        setattr(options, name, os.path.abspath(getattr(options, name)))

    shutil.rmtree(options.work, ignore_errors=True)
    os.makedirs(options.work)
    run("cpack", "-G", "DEB", "-B", options.work, "--config", os.path.join(options.build, "CPackConfig.cmake"),
        cwd=options.build)
    [deb] = glob.glob(os.path.join(options.work, "*.deb"))
    packaged = {line.split()[-1][2:] for line in run("dpkg-deb", "-c", deb).splitlines()
                if not line.split()[-1].endswith("/")}

    staged = os.path.join(options.work, "installed")
    run("cmake", "--install", options.build, "--prefix", "/usr",
        env=dict(os.environ, DESTDIR=staged))
    installed = {os.path.relpath(os.path.join(folder, name), staged)
                 for folder, _, names in os.walk(staged) for name in names}
    expected = {as_packaged(path) for path in installed} | DEBIAN_ONLY

    failed = False
    for what, paths in (("missing from the package", expected - packaged),
                        ("in the package but not installed", packaged - expected)):
        for path in sorted(paths):
            print(f"{what}: {path}")
            failed = True

    unpacked = os.path.join(options.work, "unpacked")
    run("dpkg-deb", "-x", deb, unpacked)
    program = os.path.join(unpacked, "usr", "bin", "ziffralon")
    transcript = subprocess.run([options.runner, program, options.transcripts, options.transcript])
    if transcript.returncode != 0:
        print(f"the unpacked program failed the transcript {options.transcript}")
        failed = True
    print(f"{os.path.basename(deb)}: {len(packaged)} files, "
          f"{'as installed' if not failed else 'NOT as installed'}")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
