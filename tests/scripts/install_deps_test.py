#!/usr/bin/env python3
"""scripts/install-deps against a stale mirror, with stand-in apt-get, dpkg
and dpkg-query first on PATH: the i386 list of the security updates fails to
download, and 32-bit Wine cannot be installed. Everything else must still be
installed, the script must exit 0, the i386 architecture it added must go
again, and the reason must be kept for the 32-bit tests' skip.

    install_deps_test.py [-v]
"""

import os
import shutil
import subprocess
import tempfile
import textwrap
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
STALE_LIST = ("http://mirror.invalid/debian-security/dists/bookworm-security/main/"
              "binary-i386/Packages.xz")

# The stand-ins keep their state in files under $STATE: installed packages,
# foreign architectures, and a log of every call.
STANDINS = {
    "apt-get": f"""
        echo "apt-get $*" >>"$STATE/calls"
        case "$1" in
          update)
            echo "E: Failed to fetch {STALE_LIST}  File has unexpected size (374820 != 376004). Mirror sync in progress?"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
            exit 100 ;;
          install)
            for p in "$@"; do
              case "$p" in
                -*|install) ;;
                wine32:i386)
                  echo " libc6:i386 : Depends: libgcc-s1:i386 but it is not going to be installed"
                  echo "E: Unable to correct problems, you have held broken packages."
                  exit 100 ;;
              esac
            done
            for p in "$@"; do
              case "$p" in -*|install) ;; *) echo "$p" >>"$STATE/installed" ;; esac
            done ;;
          purge) ;;
        esac
        """,
    "dpkg": """
        echo "dpkg $*" >>"$STATE/calls"
        case "$1" in
          --print-foreign-architectures) cat "$STATE/arches" ;;
          --add-architecture) echo "$2" >>"$STATE/arches" ;;
          --remove-architecture) grep -vx "$2" "$STATE/arches" >"$STATE/arches.new" || true
                                 mv "$STATE/arches.new" "$STATE/arches" ;;
        esac
        """,
    "dpkg-query": """
        package=${@: -1}
        case "$*" in
          *'${Package}:${Architecture}'*) grep ':i386$' "$STATE/installed" || true ;;
          *) grep -qx "$package" "$STATE/installed" && printf 'install ok installed' || exit 1 ;;
        esac
        """,
    "sleep": 'echo "sleep $*" >>"$STATE/calls"',
    "sudo": 'exec "$@"',
}


class StaleMirror(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="install-deps-")
        self.addCleanup(shutil.rmtree, self.work)
        self.state = os.path.join(self.work, "state")
        bin_dir = os.path.join(self.work, "bin")
        scripts = os.path.join(self.work, "tree", "scripts")
        for folder in (self.state, bin_dir, scripts):
            os.makedirs(folder)
        for name, body in STANDINS.items():
            self._script(os.path.join(bin_dir, name), body)
        # This machine runs 32-bit programs, as far as the script can tell.
        self._script(os.path.join(scripts, "check-32bit"), "exit 0")
        shutil.copy(os.path.join(ROOT, "scripts", "install-deps"), scripts)
        for name in ("installed", "arches", "calls"):
            open(os.path.join(self.state, name), "w").close()
        self.tree = os.path.dirname(scripts)
        self.env = dict(os.environ, STATE=self.state, PATH=f"{bin_dir}:{os.environ['PATH']}")

    @staticmethod
    def _script(path, body):
        with open(path, "w") as f:
            f.write("#!/usr/bin/env bash\n" + textwrap.dedent(body))
        os.chmod(path, 0o755)

    def _read(self, name):
        with open(os.path.join(self.state, name)) as f:
            return f.read().split("\n")

    def test_installs_everything_but_32bit_wine_and_says_why(self):
        done = subprocess.run([os.path.join(self.tree, "scripts", "install-deps")],
                              capture_output=True, text=True, env=self.env, timeout=60)
        print(done.stdout + done.stderr)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        self.assertIn(STALE_LIST, done.stdout)
        self.assertIn("32-bit Wine could not be installed", done.stdout)
        self.assertIn("held broken packages", done.stdout)

        installed = self._read("installed")
        for package in ("wine64", "g++-mingw-w64-x86-64", "python3-pytest", "xvfb"):
            self.assertIn(package, installed)
        self.assertNotIn("wine32:i386", installed)
        calls = self._read("calls")
        self.assertEqual(sum(c == "apt-get update -qq" for c in calls), 2, "one retry")
        install64 = [c for c in calls if c.startswith("apt-get install") and "wine64" in c]
        self.assertEqual(len(install64), 1, calls)
        self.assertNotIn("wine32:i386", install64[0], "32-bit Wine goes in a step of its own")
        self.assertIn("dpkg --remove-architecture i386", calls)
        self.assertEqual(self._read("arches"), [""])
        with open(os.path.join(self.tree, "build", "wine32-not-installed.txt")) as f:
            self.assertIn("held broken packages", f.read())


if __name__ == "__main__":
    unittest.main()
