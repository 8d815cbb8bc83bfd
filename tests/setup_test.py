# The setup program and the MSI as administrators and users meet them, silent, under Wine: Nero found each way
# or not at all, failures, the Start-menu shortcut started as Explorer starts it, upgrades over a running Zarvel,
# the uninstall, and what each leaves behind. Run inside scripts/wine-env.sh:
#   setup_test.py LOADER SETUP_EXE MSI OTHER_BUILDS_MSI ZDRIVER_EXE NERO_EXE MSI_SH
import os
import pathlib
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile

from scenarios import WINE, Driver, settings, until, winpath

ENTRIES = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarvel"
APP_PATH = r"HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\nero.exe"  # one key for both views in Wine
GUIDES = ["README-en.txt", "README-zh-CN.txt", "README-zh-TW.txt"]


def reg(*args):
    # Wine's reg.exe: what it prints, or None when the key is missing.
    done = subprocess.run([WINE, "reg", *args], capture_output=True, text=True)
    return done.stdout if done.returncode == 0 else None


def files():
    # Every file and folder but Windows' own and the temporary ones, from where an uninstaller runs.
    return {os.path.join(d, n) for d, dirs, names in os.walk(os.path.join(os.environ["WINEPREFIX"], "drive_c"))
            if "Temp" not in d and "windows" not in d for n in dirs + names}


def entries():
    # Zarvel's machine-wide uninstall entries in either registry view, as reg.exe shows them (it has no search).
    found = (reg("query", key, "/s") or "" for key in (ENTRIES, ENTRIES.replace("Software", r"Software\Wow6432Node")))
    return [key for text in found for key in text.split("\n\n") if "Zarvel 1.0" in key]


def per_machine(loader, msi, other, msi_sh, drv, work, nero, log):  # nero: Nero's folder as Windows names it
    msiexec = lambda *args: subprocess.run([loader, "msiexec", *args, "/qn"], timeout=120).returncode
    table = lambda name: subprocess.run(["msiinfo", "export", msi, name], capture_output=True, text=True).stdout

    # The earlier version goes in the same transaction as the new one comes; NERODIR reaches a managed install.
    order = {row.split("\t")[0]: int(row.split("\t")[-1]) for row in table("InstallExecuteSequence").splitlines()[3:]}
    assert order["InstallInitialize"] < order["RemoveExistingProducts"] < order["InstallFinalize"]
    assert "NERODIR" in table("Property").split("SecureCustomProperties\t")[1].split()[0].split(";")
    [msiexec("/x", key.split("Uninstall\\")[1][:38]) for key in entries()]  # a failed run's products, by their codes
    before = files()
    # No Nero, or a folder without nero.exe, given or registered: a failure, and nothing installed.
    reg("add", APP_PATH, "/ve", "/d", winpath(work) + "\\nero.exe", "/f")
    for nerodir in [], ["NERODIR=" + winpath(work)]:
        assert msiexec("/i", msi, *nerodir) not in (0, 3010) and files() == before, "installed without Nero"

    # The other build's package, Nero found through App Paths (quoted, as installers write it); then this one's,
    # App Paths pointing nowhere again: one Zarvel, where this package puts it, in Nero's folder as the other kept
    # it, and its Start-menu shortcut starts it.
    folders = [os.environ["WINEPREFIX"] + "/drive_c/Program Files" + x86 + "/Zarvel" for x86 in ("", " (x86)")]
    installed, elsewhere = folders if "64" in loader else folders[::-1]
    reg("add", APP_PATH, "/ve", "/d", '"' + nero + '\\nero.exe"', "/f")
    assert msiexec("/i", other) == 0 and sorted(os.listdir(elsewhere)) == GUIDES + ["Zarvel.exe"]
    reg("add", APP_PATH, "/ve", "/d", winpath(work) + "\\nero.exe", "/f")
    assert msiexec("/i", msi) == 0 and len(os.listdir(installed)) == 4 and not os.path.exists(elsewhere)
    assert len(entries()) == 1 and all(shown in entries()[0] for shown in ("1.0.0.1", "Publisher", "NoModify"))
    link = next(pathlib.Path(installed).parents[1].rglob("Zarvel.lnk"))
    assert nero.encode("utf-16-le") in link.read_bytes(), "not started in Nero's folder"
    subprocess.run([loader, "start", "/unix", str(link)])
    assert until(drv.shown, 10), "the Start-menu shortcut started no Zarvel"
    # A later version (the third field), with Zarvel running, upgrades it in place.
    later = os.path.join(work, "later.msi")
    subprocess.run([msi_sh, ("x86", "x64")["64" in loader], "1.0.1.0", installed + "/Zarvel.exe", installed, later])
    assert msiexec("/i", later, "NERODIR=" + nero) == 0 and len(entries()) == 1 and "1.0.1.0" in entries()[0]
    drv.click("1000")  # Zarvel closes and saves its settings
    assert until(lambda: os.path.exists(log), 20) and until(lambda: not drv.shown(), 10), "Nero did not start"

    # Removal: nothing of the package stays, the users' settings do.
    assert msiexec("/x", later) == 0 and files() == before and not entries() and settings() != {"key": "none"}


def main(loader, setup, msi, other, driver, nero, msi_sh):
    run = lambda *args: subprocess.run([loader, *args], timeout=60).returncode

    stub = pathlib.Path(setup).read_bytes()  # an amd64 header ("PE", 0, 0, 0x8664) for the 64-bit program alone
    assert b'level="asInvoker"' in stub and (b"PE\0\0d\x86" in stub) == loader.endswith("64"), "elevated, or wrong stub"
    home = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", pwd.getpwuid(os.getuid()).pw_name)
    link = pathlib.Path(home, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Zarvel.lnk")
    shutil.rmtree(link) if link.is_dir() else link.unlink(missing_ok=True)  # what a failed run may have left
    reg("delete", KEY, "/f")
    desktop = pathlib.Path(home, "Desktop", "Zarvel.lnk")
    assert not desktop.parent.is_symlink(), "the prefix's desktop is the user's own"
    desktop.unlink(missing_ok=True)
    drv = Driver(driver)
    with tempfile.TemporaryDirectory(prefix="zarvel-setup-") as work:
        nero_dir, elsewhere, log = os.path.join(work, "Nero 7"), os.path.join(work, "Zarvel"), os.path.join(work, "log")
        os.makedirs(nero_dir)
        shutil.copy(nero, nero_dir)
        os.environ["ZARVEL_NERO_LOG"] = winpath(log)
        os.chdir(work)  # where no nero.exe is: Zarvel finds Nero by the shortcut's folder alone
        per_machine(loader, msi, other, msi_sh, drv, work, winpath(nero_dir), log)
        reg("delete", APP_PATH, "/f")
        before = files()
        assert run(setup, "/S") == 2 and files() == before, "without Nero, /S must fail with 2 and leave nothing"
        # A folder that cannot be made (a file in its way), or a shortcut that cannot be written (a folder in its
        # place), each alone: the install ends with 3 and leaves nothing. The wizard says so on its folder page.
        nero_at, unusable = "/NERODIR=" + winpath(nero_dir), "/D=" + winpath(os.path.join(work, "file", "Zarvel"))
        pathlib.Path(work, "file").touch()
        assert run(setup, "/S", nero_at, unusable) == 3 and files() == before, "installed elsewhere than told"
        wizard, search = subprocess.Popen([loader, setup, unusable]), ["xdotool", "search", "--name", "^Zarvel 1.0"]
        shown = lambda: subprocess.run(search, capture_output=True, text=True).stdout.count("\n") == 2  # and a box
        assert until(shown, 10), "the folder page said nothing"
        wizard.kill()
        link.mkdir()
        assert run(setup, "/S", nero_at, "/D=" + winpath(elsewhere)) == 3, "a shortcut not written, yet 0"
        assert files() == before | {str(link)} and reg("query", KEY) is None
        link.rmdir()

        # Nero's folder from the switch, Zarvel where the user says, a desktop shortcut asked for.
        assert run(setup, "/S", "/DESKTOP", nero_at, "/D=" + winpath(elsewhere)) == 0
        installed = sorted(GUIDES + ["Uninstall.exe", "Zarvel.exe"])
        kept = lambda: (sorted(os.listdir(elsewhere)), reg("query", KEY), desktop.exists())
        assert kept()[0] == installed and "DesktopShortcut" in kept()[1] and kept()[2]
        # An upgrade that fails leaves the install as it was: when a file cannot be written (a folder in its
        # place), or when a running Zarvel does not close (it hangs).
        (readme := pathlib.Path(elsewhere, "README-en.txt")).unlink(), readme.mkdir()
        earlier = kept()
        assert run(setup, "/S") == 3 and kept() == earlier, "an upgrade that could not write a file changed it"
        readme.rmdir()  # the next upgrade that succeeds writes it anew
        earlier = kept()
        zarvel = subprocess.Popen([loader, os.path.join(elsewhere, "Zarvel.exe")])
        assert until(drv.shown, 10)
        zarvel.send_signal(signal.SIGSTOP)  # hung
        assert run(setup, "/S") == 3 and kept() == earlier, "an upgrade that could not close Zarvel changed it"
        zarvel.kill(), zarvel.wait()  # it would close once it runs again, as it was asked
        # An upgrade finds Nero where the last install found it, closes Zarvel, also while it shows a message (no
        # Nero where it runs), and keeps the desktop shortcut.
        zarvel = subprocess.Popen([loader, os.path.join(elsewhere, "Zarvel.exe")])
        assert until(drv.shown, 10)
        drv.click("1000")
        assert until(lambda: drv("state").get("box"), 5)
        assert run(setup, "/S") == 0 and zarvel.wait(5) is not None, "the upgrade closed its message, not Zarvel"
        for shown in "DisplayName", "Publisher", "DisplayIcon", "EstimatedSize", "1.0.0.1", 'Uninstall.exe" /S':
            assert shown in reg("query", KEY), f"the uninstall entry lacks {shown}"
        assert kept()[0] == installed and kept()[2], "the upgrade lost a file or the desktop shortcut"
        run("start", "/unix", str(link))
        assert until(drv.shown, 10), "the Start-menu shortcut started no Zarvel"
        assert winpath(nero_dir).encode("utf-16-le") in link.read_bytes(), "not started in Nero's folder"

        # The uninstall, waited for (in place), Zarvel open: 0, and nothing stays but the settings and the
        # uninstaller's own file, the caller's to delete.
        assert run(os.path.join(elsewhere, "Uninstall.exe"), "/S", "_?=" + winpath(elsewhere)) == 0
        assert reg("query", KEY) is None, "the uninstall entry stayed"
        assert files() == before and os.listdir(elsewhere) == ["Uninstall.exe"], "the uninstall left files"
        assert settings() != {"key": "none"}, "the uninstall took the settings"

        # Nero through App Paths, Zarvel in the user's programs folder.
        reg("add", APP_PATH, "/ve", "/d", winpath(nero_dir) + "\\nero.exe", "/f")
        assert run(setup, "/S") == 0 and r"AppData\Local\Programs\Zarvel" in reg("query", KEY, "/v", "InstallLocation")
        assert sorted(os.listdir(os.path.join(home, "AppData", "Local", "Programs", "Zarvel"))) == installed


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], *map(os.path.abspath, sys.argv[2:8])))
