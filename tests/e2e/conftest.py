"""The end-to-end tests' fixtures: the real Windows programs under Wine on an
Xvfb display of the run's own.

    def test_adv(chat, driver, drowsel):
        driver.drive("click", "Adv.")
        chat.wait_posted(5, 10, "Adv.'s three lines")

Options, each program's path defaulting to the presets' build trees:
  --drowsel --standin --post --driver --browser   the 64-bit programs (build/windows)
  --drowsel32 --standin32 --post32                the 32-bit ones (build/windows-x86)
  --bits 64,32          the bitnesses to run for (default both). A test that takes
                        `bits` (also through `chat`, `drowsel`...) runs once for each;
                        @pytest.mark.bits(64) keeps a test or a file (pytestmark) to
                        those. A test that depends on no bitness runs with 64.
  --prefix-template DIR where the booted prefix is kept between runs (default
                        $DROWSEL_E2E_PREFIX or build/e2e-prefix); booted again when Wine
                        or the recipe changes

Once per run (pytest process):
  display        harness.Display, the run's own Xvfb
  booted_prefix  the path of a prefix booted once; every Wine session is a copy of it
  programs       programs.path(name, bits=64): a program's absolute path, the test
                 skipped (with the reason) where a 32-bit program cannot run here or a
                 program is not built; programs.driver, programs.browser (64-bit)

Per test:
  bits           64 or 32, parametrized for the whole file (ids 64bit, 32bit)
  pairing        (client bits, sender bits), parametrized over every pairing of the
                 run's bitnesses with --bits 64 giving (64, 64) and 32 the three with
                 a 32-bit program (ids client32-sender64...)
  wine           the test's harness.Session: the test file's copy of the booted prefix,
                 or, for a test marked @pytest.mark.fresh_prefix, a copy of its own
                 (for a test that changes the registry or the temporary folder).
                 Every process the test started is ended after it, by pid, and a
                 failure leaves a screenshot (NODE-ID.png in the current directory)
  new_wine       new_wine(own_display=False): a further session, a copy of the booted
                 prefix, for checks that run side by side; ended after the test
  driver         the session's long-lived drowsel_e2e.driver.Driver (of `wine`)
  start_chat     start_chat(name="chat", *options, bits=64, wine=None): a stand-in chat
                 client (drowsel_e2e.chat.ChatClient) with a log of its own, READY
  chat           start_chat("chat", bits=bits)
  drowsel_exe    drowsel.exe of `bits`
  drowsel        drowsel.exe started beside `chat`: the greeting in, the window shown,
                 the controls' IDs learnt (drowsel_e2e.drowsel.start_beside); its process

Each test has one time limit, pytest-timeout's: the default in pytest.ini, or
@pytest.mark.timeout(SECONDS). A run whose tests were all skipped ends with 77,
which CTest reports as skipped.
"""

import contextlib
import os
import re
import tempfile

import pytest

import harness
from drowsel_e2e.chat import ChatClient
from drowsel_e2e.driver import Driver
from drowsel_e2e.drowsel import start_beside

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILT = {
    "drowsel": "drowsel.exe",
    "standin": "tools/standin-aol/standin-aol.exe",
    "post": "tools/post/drowsel-post.exe",
    "driver": "tools/driver/drowsel-driver.exe",
    "browser": "tools/standin-browser/standin-browser.exe",
}
BOTH_BITS = ("drowsel", "standin", "post")
SKIPPED = 77  # what CTest is told means "skipped"


def pytest_addoption(parser):
    for name, path in BUILT.items():
        parser.addoption(f"--{name}", default=os.path.join(ROOT, "build", "windows", path),
                         help=f"the 64-bit {os.path.basename(path)}")
        if name in BOTH_BITS:
            parser.addoption(f"--{name}32", help=f"the 32-bit {os.path.basename(path)}",
                             default=os.path.join(ROOT, "build", "windows-x86", path))
    parser.addoption("--bits", default="64,32", help="the bitnesses to run for: 64, 32 or 64,32")
    parser.addoption("--prefix-template", default=harness.TEMPLATE,
                     help="where the booted prefix is kept")


def pytest_configure(config):
    config.bits = tuple(int(b) for b in config.getoption("--bits").split(","))
    config.addinivalue_line("markers", "fresh_prefix: the test gets a prefix of its own")
    config.addinivalue_line("markers", "bits(*bits): the bitnesses the test runs for")


def _bits_of(metafunc):
    marker = metafunc.definition.get_closest_marker("bits")
    return [b for b in metafunc.config.bits if marker is None or b in marker.args]


def pytest_generate_tests(metafunc):
    bits = _bits_of(metafunc)
    if "bits" in metafunc.fixturenames:
        # Per file: the tests of one bitness run together, and a fixture of
        # the whole file may take `bits`.
        metafunc.parametrize("bits", bits, ids=lambda b: f"{b}bit", scope="module")
    if "pairing" in metafunc.fixturenames:
        pairs = [(64, 64)] if 64 in bits else []
        pairs += [(32, 32), (32, 64), (64, 32)] if 32 in bits else []
        metafunc.parametrize("pairing", pairs, ids=lambda p: f"client{p[0]}-sender{p[1]}")


def pytest_collection_modifyitems(config, items):
    # A test with no bitness of its own is a 64-bit one; one kept to bitnesses
    # the run leaves out has none left.
    def runs(item):
        params = item.callspec.params if hasattr(item, "callspec") else {}
        if "pairing" in params:
            return True
        return params["bits"] in config.bits if "bits" in params else 64 in config.bits
    config.hook.pytest_deselected(items=[i for i in items if not runs(i)])
    items[:] = [i for i in items if runs(i)]


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    report = (yield).get_result()
    if report.failed:
        item.e2e_failed = True


def pytest_sessionfinish(session, exitstatus):
    stats = session.config.pluginmanager.get_plugin("terminalreporter").stats
    if exitstatus == 0 and stats.get("skipped") and not stats.get("passed"):
        session.exitstatus = SKIPPED


# -- once per run ---------------------------------------------------------------

@pytest.fixture(scope="session")
def display():
    with tempfile.TemporaryDirectory(prefix="drowsel-e2e-display-") as folder:
        screen = harness.Display(folder)
        try:
            yield screen
        finally:
            screen.stop()


@pytest.fixture(scope="session")
def booted_prefix(request, display):
    return harness.booted_template(request.config.getoption("--prefix-template"), display)


class Programs:
    def __init__(self, config):
        self.config = config
        self._runs_32bit = None

    def path(self, name, bits=64):
        path = os.path.abspath(self.config.getoption(f"--{name}" + ("32" if bits == 32 else "")))
        if bits == 32:
            if self._runs_32bit is None:
                self._runs_32bit = harness.runs_32bit()
            ok, why = self._runs_32bit
            if not ok:
                pytest.skip(f"32-bit programs cannot run here: {why}")
        if not os.path.isfile(path):
            pytest.fail(f"{path} is not built")
        return path

    @property
    def driver(self):
        return self.path("driver")

    @property
    def browser(self):
        return self.path("browser")


@pytest.fixture(scope="session")
def programs(request):
    return Programs(request.config)


@pytest.fixture(autouse=True)
def _runs_here(request, programs):
    # A 32-bit test is skipped before any session is made for it.
    params = getattr(request.node, "callspec", None)
    params = params.params if params else {}
    if 32 in (params.get("bits"), *params.get("pairing", ())):
        programs.path("drowsel", 32)


# -- per test file and per test --------------------------------------------------

def _session(name, display, template):
    return harness.Session(re.sub(r"\W+", "-", name)[-40:], display=display, template=template)


@pytest.fixture(scope="module")
def file_wine(request, display, booted_prefix):
    with _session(request.module.__name__, display, booted_prefix) as s:
        yield s


@pytest.fixture
def wine(request, display, booted_prefix):
    with contextlib.ExitStack() as stack:
        if request.node.get_closest_marker("fresh_prefix"):
            s = stack.enter_context(_session(request.node.name, display, booted_prefix))
        else:
            s = request.getfixturevalue("file_wine")
        first = len(s.procs)
        s.note(f"--- {request.node.name}")
        try:
            yield s
        finally:
            if getattr(request.node, "e2e_failed", False):
                s.screenshot(re.sub(r"[^\w.-]+", "_", request.node.name) + ".png")
            s.stop_all(first)


@pytest.fixture
def new_wine(display, booted_prefix):
    with contextlib.ExitStack() as stack:
        def new(own_display=False):
            return stack.enter_context(_session("side", None if own_display else display,
                                                booted_prefix))
        yield new


@pytest.fixture
def driver(wine, programs):
    return Driver.of(wine, programs.driver)


@pytest.fixture
def start_chat(wine, programs):
    def start(name="chat", *options, bits=64, wine=wine):
        # A log of its own, never one an earlier client of the session wrote.
        return ChatClient(wine, programs.path("standin", bits), f"{name}-{len(wine.procs)}",
                          *options)
    return start


@pytest.fixture
def chat(start_chat, bits):
    return start_chat("chat", bits=bits)


@pytest.fixture
def drowsel_exe(programs, bits):
    return programs.path("drowsel", bits)


@pytest.fixture
def drowsel(wine, chat, driver, drowsel_exe):
    return start_beside(wine, drowsel_exe, chat, driver)
