# The Windows Installer package as an administrator deploys it, with no one at the keyboard, under Wine's msiexec:
# Nero's folder given or found through App Paths, or no install at all; the Start-menu shortcut; an upgrade in
# place; the removal, which leaves the users' settings. Run inside scripts/wine-env.sh:
#   msi_test.py LOADER MSI ZDRIVER_EXE NERO_EXE MSI_SH
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

from scenarios import Driver, settings, until, winpath
from setup_test import APP_PATH, reg

ENTRIES = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"


def files(drive):
    # Every file and folder but Windows' own and the temporary ones.
    return {os.path.join(d, n) for d, dirs, names in os.walk(drive) if "Temp" not in d and "windows" not in d
            for n in dirs + names}


def entries():
    # Zarvel's uninstall entries as reg.exe shows them (Wine's has no search).
    return [key for key in reg("query", ENTRIES, "/s").split("\n\n") if "Zarvel 1.0" in key]


def main(loader, msi, driver, nero, msi_sh):
    def msiexec(*args):
        return subprocess.run([loader, "msiexec", *args, "/qn"], timeout=120).returncode

    drive = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    program_files = "Program Files" if loader.endswith("64") else "Program Files (x86)"
    reg("delete", APP_PATH, "/f")
    msiexec("/x", msi)  # what a failed run may have left
    before, drv = files(drive), Driver(driver)
    with tempfile.TemporaryDirectory(prefix="zarvel-msi-") as work:
        nero_dir, empty, log = os.path.join(work, "Nero 7"), os.path.join(work, "empty"), os.path.join(work, "log")
        os.makedirs(nero_dir)
        os.makedirs(empty)
        shutil.copy(nero, nero_dir)
        os.environ["ZARVEL_NERO_LOG"] = winpath(log)
        os.chdir(work)  # where no nero.exe is: Zarvel finds Nero by the shortcut's folder alone
        # No Nero, or a folder without nero.exe, given or registered: a failure, and nothing installed.
        reg("add", APP_PATH, "/ve", "/d", winpath(empty) + "\\nero.exe", "/f")
        for nerodir in [], ["NERODIR=" + winpath(empty)]:
            assert msiexec("/i", msi, *nerodir) not in (0, 3010) and files(drive) == before, "installed without Nero"
        reg("delete", APP_PATH, "/f")

        # Nero's folder given: the program under Program Files, the entry, the shortcut starts Zarvel in Nero's
        # folder. A later version, with Zarvel running, upgrades it in place.
        assert msiexec("/i", msi, "NERODIR=" + winpath(nero_dir)) == 0
        installed = os.path.join(drive, program_files, "Zarvel")
        assert sorted(os.listdir(installed)) == ["README-en.txt", "README-zh-TW.txt", "Zarvel.exe"]
        assert len(entries()) == 1 and all(shown in entries()[0] for shown in ("1.0.0.1", "Publisher", "NoModify"))
        link = next(pathlib.Path(drive).rglob("Zarvel.lnk"))
        subprocess.run([loader, "start", "/unix", str(link)])
        assert until(drv.shown, 10), "the Start-menu shortcut started no Zarvel"
        later = os.path.join(work, "later.msi")
        subprocess.run([msi_sh, "x64" if loader.endswith("64") else "x86", "1.0.0.2", os.path.join(installed,
                        "Zarvel.exe"), installed, later], check=True)
        assert msiexec("/i", later, "NERODIR=" + winpath(nero_dir)) == 0 and os.path.exists(link)
        assert len(entries()) == 1 and "1.0.0.2" in entries()[0], "not upgraded in place"
        drv.click("1000")  # Nero starts from the shortcut's folder; Zarvel closes and saves its settings
        assert until(lambda: os.path.exists(log), 20) and until(drv.gone, 10), "Nero did not start"

        # Removal: nothing of the package stays, the settings do.
        assert msiexec("/x", later) == 0 and files(drive) == before and not entries(), "the removal left things"
        assert settings() != {"key": "none"}, "the removal took the settings"

        # Nero found through App Paths (quoted, as installers write it): the shortcut works in its folder.
        reg("add", APP_PATH, "/ve", "/d", '"' + winpath(nero_dir) + '\\nero.exe"', "/f")
        assert msiexec("/i", msi) == 0 and winpath(nero_dir).encode("utf-16-le") in link.read_bytes()
        assert msiexec("/x", msi) == 0 and files(drive) == before


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], *map(os.path.abspath, sys.argv[2:6])))
