#!/usr/bin/env python3
"""The release files of one Windows build, byte for byte the same for the
same inputs and the same date (the last commit's, SOURCE_DATE_EPOCH).

  make_package.py stage DIR FILE...           DIR holds exactly these files
  make_package.py zip DIR OUT.zip --date N    DIR as a zip, under its own name
  make_package.py msi DIR OUT.msi --date N --wxs torva.wxs --version V --arch x64|x86
                      --icon ICON.ico
  make_package.py sign FILE --name NAME [--url URL]   Authenticode, in place

N is seconds since 1970, or the name of a file that holds them. Called by
cmake/Package.cmake.
"""
import argparse
import hashlib
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import uuid
import zipfile

# Names for the installer's product and package codes (GUIDs derived from
# text, RFC 4122 version 5): the same text always gives the same code.
CODE_NAMESPACE = uuid.UUID("9037dfba-2a64-41e9-a38a-7f511bd683f1")


def epoch(value):
    """Seconds since 1970, given as such or as the file that holds them: the
    build tree's source-date-epoch.txt, so that the rule's command line stays
    the same from commit to commit (CMake deletes the output of a rule whose
    command line has changed, when it configures)."""
    if not value.isdigit():
        with open(value) as f:
            value = f.read().strip()
    return int(value)


def stage(folder, files):
    """Empties folder and copies the files into it."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for path in files:
        shutil.copyfile(path, os.path.join(folder, os.path.basename(path)))


def staged_files(folder):
    """The folder's file names in a fixed order (byte order of the names)."""
    return sorted(os.listdir(folder))


def dos_date_time(epoch):
    """The zip's date and time for an epoch: UTC, so the builder's time zone
    does not matter; zip dates start in 1980 and count in 2-second steps."""
    return time.gmtime(max(epoch, 315532800))[:6]


def write_zip(folder, out, epoch):
    """Entries in a fixed order, all with one date, plain permissions and no
    extra fields, so that nothing of the build machine gets in."""
    top = os.path.basename(os.path.normpath(folder))
    when = dos_date_time(epoch)
    temp = out + ".tmp"
    with zipfile.ZipFile(temp, "w") as archive:
        entry = zipfile.ZipInfo(top + "/", when)
        entry.create_system = 0  # MS-DOS: attributes below are DOS attributes
        entry.external_attr = 0x10  # directory
        archive.writestr(entry, b"")
        for name in staged_files(folder):
            with open(os.path.join(folder, name), "rb") as f:
                data = f.read()
            entry = zipfile.ZipInfo(f"{top}/{name}", when)
            entry.create_system = 0
            entry.external_attr = 0x20  # archive bit, as Windows sets it
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)
    os.replace(temp, out)


def content_digest(folder, texts, other_files):
    """SHA-256 over the installer's source and settings and every file."""
    digest = hashlib.sha256()
    for text in texts:
        digest.update(text.encode() + b"\0")
    paths = [os.path.join(folder, name) for name in staged_files(folder)] + other_files
    for path in paths:
        with open(path, "rb") as f:
            digest.update(os.path.basename(path).encode() + b"\0" + f.read() + b"\0")
    return digest.hexdigest()


def write_msi(folder, out, epoch, wxs, version, arch, icon):
    """Builds the installer with wixl, then sets what wixl would otherwise
    take from the clock and the random generator: the package code and the
    summary's dates. The product code follows the version and architecture
    (a new version is a new product, which the upgrade code lets replace
    the old one); the package code follows the whole content, as Windows
    Installer requires of two packages that differ."""
    with open(wxs, encoding="utf-8") as f:
        source = f.read()
    product_code = uuid.uuid5(CODE_NAMESPACE, f"TORVA NT product {version} {arch}")
    package_code = uuid.uuid5(
        CODE_NAMESPACE, "TORVA NT package " + content_digest(folder, [source, version, arch], [icon]))
    stamp = time.strftime("%Y/%m/%d %H:%M:%S", time.gmtime(epoch))
    env = dict(os.environ, TZ="UTC")
    temp = os.path.abspath(out + ".tmp")
    with tempfile.TemporaryDirectory() as work:
        # wixl takes the files from its working folder (it accepts no
        # absolute path) and stores their modification times in the
        # cabinet: copies dated to the epoch, the build's own untouched.
        for name in staged_files(folder):
            shutil.copyfile(os.path.join(folder, name), os.path.join(work, name))
        shutil.copyfile(icon, os.path.join(work, "torva.ico"))
        for name in os.listdir(work):
            os.utime(os.path.join(work, name), (epoch, epoch))
        subprocess.run(
            ["wixl", "--arch", arch, "--output", temp,
             "--define", f"Arch={arch}", "--define", f"Version={version}",
             "--define", f"ProductCode={str(product_code).upper()}",
             "--define", "Icon=torva.ico",
             os.path.abspath(wxs)], check=True, env=env, cwd=work)
        # msibuild imports the summary as a table: property 9 is the package
        # code, 12 and 13 the creation and last-save dates.
        table = os.path.join(work, "_SummaryInformation.idt")
        with open(table, "w", newline="\r\n") as f:
            f.write("PropertyId\tValue\ni2\tl255\n_SummaryInformation\tPropertyId\n")
            f.write(f"9\t{{{str(package_code).upper()}}}\n12\t{stamp}\n13\t{stamp}\n")
        subprocess.run(["msibuild", temp, "-i", table], check=True, env=env)
    os.replace(temp, out)


def sign(path, name, url):
    """Signs an EXE or MSI in place with osslsigncode (SHA-256), naming the
    program and its web page, with the certificate and key of the PKCS#12
    file TORVA_SIGN_PKCS12 and, if TORVA_SIGN_TIMESTAMP_URL is set, an
    RFC 3161 time stamp from that server. osslsigncode reads the password
    from the file TORVA_SIGN_PASSWORD_FILE: on a command line, any user of
    the machine could read it. The command is printed, since it holds
    nothing secret, to show what was asked of the time-stamp server."""
    env = os.environ
    if not env.get("TORVA_SIGN_PKCS12") or not env.get("TORVA_SIGN_PASSWORD_FILE"):
        sys.exit("sign: TORVA_SIGN_PKCS12 and TORVA_SIGN_PASSWORD_FILE name the certificate and "
                 "the file of its password")
    command = ["osslsigncode", "sign", "-pkcs12", env["TORVA_SIGN_PKCS12"],
               "-readpass", env["TORVA_SIGN_PASSWORD_FILE"], "-h", "sha256", "-n", name]
    if url:
        command += ["-i", url]
    if env.get("TORVA_SIGN_TIMESTAMP_URL"):
        command += ["-ts", env["TORVA_SIGN_TIMESTAMP_URL"]]
    temp = path + ".signed"
    if os.path.exists(temp):  # left by a failed run; osslsigncode overwrites nothing
        os.remove(temp)
    command += ["-in", path, "-out", temp]
    print(shlex.join(command), flush=True)
    if subprocess.run(command).returncode != 0:
        sys.exit(f"sign: {os.path.basename(path)} was not signed")
    os.replace(temp, path)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("stage")
    p.add_argument("folder")
    p.add_argument("files", nargs="+")
    for name in ("zip", "msi"):
        p = commands.add_parser(name)
        p.add_argument("folder")
        p.add_argument("output")
        p.add_argument("--date", type=epoch, required=True,
                       help="seconds since 1970 (UTC), or a file that holds them")
    p.add_argument("--wxs", required=True)
    p.add_argument("--version", required=True)
    p.add_argument("--arch", choices=("x64", "x86"), required=True)
    p.add_argument("--icon", required=True, help="the icon Add/Remove Programs shows")
    p = commands.add_parser("sign")
    p.add_argument("file")
    p.add_argument("--name", required=True, help="the program's name in the signature")
    p.add_argument("--url", help="its web page")
    args = parser.parse_args(argv)

    if args.command == "stage":
        stage(args.folder, args.files)
    elif args.command == "sign":
        sign(args.file, args.name, args.url)
    elif args.command == "zip":
        write_zip(args.folder, args.output, args.date)
    else:
        write_msi(args.folder, args.output, args.date, args.wxs, args.version, args.arch,
                  args.icon)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
