"""Where the tools find what they run: the repository, its end-to-end
library (tests/e2e, put on the path here, so that a tool imports it after this
module), the Windows build and its programs; building them; and the machine a
run is on."""

import datetime
import os
import platform
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
BUILD = os.path.join(ROOT, "build", "windows")
BENCH = os.path.join(BUILD, "tools", "bench")
DROWSEL = os.path.join(BUILD, "drowsel.exe")
STANDIN = os.path.join(BUILD, "tools", "standin-aol", "standin-aol.exe")
DRIVER = os.path.join(BUILD, "tools", "driver", "drowsel-driver.exe")
BROWSER = os.path.join(BUILD, "tools", "standin-browser", "standin-browser.exe")


def build(targets):
    """Installs what is missing, then builds `targets` of the windows preset."""
    jobs = str(os.cpu_count() or 2)
    subprocess.run([os.path.join(ROOT, "scripts", "install-deps")], check=True)
    subprocess.run(["cmake", "--preset", "windows"], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "windows", "-j", jobs, "--target", *targets],
                   cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


def machine():
    with open("/proc/cpuinfo") as f:
        cpu = next((line.split(":", 1)[1].strip() for line in f
                    if line.startswith("model name")), "unknown CPU")
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True,
                          env=dict(os.environ, WINEDEBUG="-all")).stdout.strip()
    return {
        "cpu": cpu,
        "cores": os.cpu_count(),
        "wine": wine or "unknown Wine",
        "kernel": platform.release(),
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "load": os.getloadavg()[0],
    }


def machine_line(m):
    return (f"Machine: {m['cpu']}, {m['cores']} cores, {m['wine']}, Linux {m['kernel']}; "
            f"{m['date']}; load average {m['load']:.2f} at the start")
