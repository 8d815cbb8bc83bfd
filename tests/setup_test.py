# The setup program as administrators and users meet it, silent, under Wine: Nero found each way, the
# Start-menu shortcut started as Explorer starts it, an upgrade over a running Zarvel, the silent uninstall,
# and what each leaves behind. Run inside scripts/wine-env.sh:
#   setup_test.py LOADER SETUP_EXE ZDRIVER_EXE NERO_EXE
import os
import pathlib
import pwd
import shutil
import subprocess
import sys
import tempfile

from scenarios import SECTION, WINE, Driver, settings, until, winpath

KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarvel"
APP_PATH = r"HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\nero.exe"  # one key for both views in Wine


def reg(*args):
    # Wine's reg.exe: what it prints, or None when the key is missing.
    done = subprocess.run([WINE, "reg", *args], capture_output=True, text=True)
    return done.stdout if done.returncode == 0 else None


def files(home):
    # Everything in the user's profile but its temporary folder, from where an uninstaller runs.
    temp = os.path.join(home, "Temp")
    return {os.path.join(d, n) for d, dirs, names in os.walk(home) if not d.startswith(temp) for n in dirs + names}


def main(loader, setup, driver, nero):
    def run(*args):
        return subprocess.run([loader, *args], timeout=60).returncode

    stub = pathlib.Path(setup).read_bytes()  # an amd64 header ("PE", 0, 0, 0x8664) for the 64-bit program alone
    assert b'level="asInvoker"' in stub and (b"PE\0\0d\x86" in stub) == loader.endswith("64"), "elevated, or wrong stub"
    home = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name)
    link = pathlib.Path(home, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Zarvel.lnk")
    shutil.rmtree(link) if link.is_dir() else link.unlink(missing_ok=True)  # what a failed run may have left
    reg("delete", KEY, "/f")
    reg("delete", APP_PATH, "/f")
    desktop = os.path.join(home, "Desktop", "Zarvel.lnk")  # Wine's desktop may be the user's own: not touched
    before, drv, on_desktop = files(home), Driver(driver), os.path.exists(desktop)
    with tempfile.TemporaryDirectory(prefix="zarvel-setup-") as work:
        nero_dir, elsewhere, log = os.path.join(work, "Nero 7"), os.path.join(work, "Zarvel"), os.path.join(work, "log")
        os.makedirs(nero_dir)
        shutil.copy(nero, nero_dir)
        os.environ["ZARVEL_NERO_LOG"] = winpath(log)
        os.chdir(work)  # where no nero.exe is: Zarvel finds Nero by the shortcut's folder alone
        assert run(setup, "/S") == 2 and files(home) == before, "without Nero, /S must fail with 2 and leave nothing"
        # A folder that cannot be made (a file in its place) or a shortcut that cannot be written (a folder in
        # its place) ends the install with 3, and it leaves nothing.
        pathlib.Path(work, "file").touch()
        link.mkdir()
        for folder in os.path.join(work, "file", "Zarvel"), elsewhere:
            assert run(setup, "/S", "/NERODIR=" + winpath(nero_dir), "/D=" + winpath(folder)) == 3, "failed, yet 0"
            assert files(home) == before | {str(link)} and not os.path.exists(elsewhere), "a failed install left files"
            assert reg("query", KEY) is None, "a failed install left its uninstall entry"
        link.rmdir()

        # Nero's folder from the switch, Zarvel where the user says; the shortcut finds Nero by its folder alone.
        assert run(setup, "/S", "/NERODIR=" + winpath(nero_dir), "/D=" + winpath(elsewhere)) == 0
        installed = ["README-en.txt", "README-zh-TW.txt", "Uninstall.exe", "Zarvel.exe"]
        assert sorted(os.listdir(elsewhere)) == installed
        # An upgrade that fails (the old uninstaller cannot be set aside) puts the installed copy back.
        os.mkdir(os.path.join(elsewhere, "Uninstall.exe.old"))
        assert run(setup, "/S") == 3 and sorted(os.listdir(elsewhere)) == sorted(installed + ["Uninstall.exe.old"])
        os.rmdir(os.path.join(elsewhere, "Uninstall.exe.old"))
        assert os.path.exists(desktop) == on_desktop, "a desktop shortcut nobody asked for"
        for shown in "DisplayName", "Publisher", "DisplayIcon", "EstimatedSize", "1.0.0.1", 'Uninstall.exe" /S':
            assert shown in reg("query", KEY), f"the uninstall entry lacks {shown}"
        reg("add", SECTION, "/v", "CloseZarvel", "/t", "REG_DWORD", "/d", "0", "/f")  # it stays open for the uninstall
        run("start", "/unix", str(link))
        assert until(drv.shown, 10), "the Start-menu shortcut started no Zarvel"
        drv.click("1000")
        assert until(lambda: os.path.exists(log), 20), "Nero did not start"

        # The silent uninstall, Zarvel open: nothing stays but the settings.
        assert run(os.path.join(elsewhere, "Uninstall.exe"), "/S") == 0
        assert until(lambda: files(home) == before and not os.path.exists(elsewhere), 20), "the uninstall left files"
        assert reg("query", KEY) is None and settings() != {"key": "none"}, "the entry stayed or the settings went"

        # Nero through App Paths, Zarvel in the user's programs folder; an upgrade closes a running Zarvel and
        # finds Nero where the last install found it.
        reg("add", APP_PATH, "/ve", "/d", winpath(nero_dir) + "\\nero.exe", "/f")
        assert run(setup, "/S") == 0 and r"AppData\Local\Programs\Zarvel" in reg("query", KEY, "/v", "InstallLocation")
        reg("delete", APP_PATH, "/f")
        run("start", "/unix", str(link))
        assert until(drv.shown, 10), "the Start-menu shortcut started no Zarvel"
        assert run(setup, "/S") == 0 and drv.gone(), "the upgrade left Zarvel running"


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], *map(os.path.abspath, sys.argv[2:5])))
