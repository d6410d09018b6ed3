"""The end-to-end tests' fixtures (`pytest --fixtures` lists them): the real
Windows programs under Wine on an Xvfb display of the run's own.

    def test_adv(chat, driver, drowsel):
        driver.drive("click", "Adv.")
        chat.wait_posted(5, 10, "Adv.'s three lines")

Each program's path is an option (--drowsel, --standin32...), by default in
the presets' build trees. --bits 64,32 says the bitnesses to run for: a test
that takes `bits` or `pairing` (also through `chat`, `drowsel`...) runs for
each, @pytest.mark.bits(64) keeps a test or a file to those, and a test that
depends on no bitness runs with 64. --prefix-template is where the booted
prefix is kept between runs, booted again when Wine or the recipe changes.

Each test has one time limit, pytest-timeout's: the default in pytest.ini, or
@pytest.mark.timeout(SECONDS). A run whose tests were all skipped ends with 77,
which CTest reports as skipped.
"""

import contextlib
import functools
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


def _params(node):
    return node.callspec.params if hasattr(node, "callspec") else {}


def pytest_generate_tests(metafunc):
    marker = metafunc.definition.get_closest_marker("bits")
    bits = [b for b in metafunc.config.bits if marker is None or b in marker.args]
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
        params = _params(item)
        return "pairing" in params or params.get("bits", 64) in config.bits
    config.hook.pytest_deselected(items=[i for i in items if not runs(i)])
    items[:] = [i for i in items if runs(i)]


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    if (yield).get_result().failed:
        item.e2e_failed = True


def pytest_sessionfinish(session, exitstatus):
    stats = session.config.pluginmanager.get_plugin("terminalreporter").stats
    if exitstatus == 0 and stats.get("skipped") and not stats.get("passed"):
        session.exitstatus = SKIPPED


# -- once per run ---------------------------------------------------------------

@pytest.fixture(scope="session")
def display():
    """harness.Display: the run's own Xvfb."""
    with tempfile.TemporaryDirectory(prefix="drowsel-e2e-display-") as folder:
        screen = harness.Display(folder)
        try:
            yield screen
        finally:
            screen.stop()


@pytest.fixture(scope="session")
def booted_prefix(request, display):
    """The path of a prefix booted once; every Wine session is a copy of it."""
    return harness.booted_template(request.config.getoption("--prefix-template"), display)


class Programs:
    def __init__(self, config):
        self.config = config

    @functools.cached_property
    def runs_32bit(self):
        return harness.runs_32bit()

    def path(self, name, bits=64):
        """A program's absolute path; the test is skipped, with the reason,
        where a 32-bit program cannot run here, and fails where it is not built."""
        path = os.path.abspath(self.config.getoption(f"--{name}" + ("32" if bits == 32 else "")))
        if bits == 32 and not self.runs_32bit[0]:
            pytest.skip(f"32-bit programs cannot run here: {self.runs_32bit[1]}")
        if not os.path.isfile(path):
            pytest.fail(f"{path} is not built")
        return path

    driver = property(lambda self: self.path("driver"))
    browser = property(lambda self: self.path("browser"))


@pytest.fixture(scope="session")
def programs(request):
    """programs.path(name, bits=64), programs.driver, programs.browser (64-bit)."""
    return Programs(request.config)


@pytest.fixture(autouse=True)
def _runs_here(request, programs):
    # A 32-bit test is skipped before any session is made for it.
    params = _params(request.node)
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
    """The test's harness.Session: the file's copy of the booted prefix, or a
    copy of its own for a test marked fresh_prefix (one that changes the
    registry or the temporary folder). What the test started is ended after
    it, by pid; a failure leaves a screenshot, NODE-ID.png here."""
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
    """new_wine(own_display=False): a further session, a copy of the booted
    prefix, for checks that run side by side; ended after the test."""
    with contextlib.ExitStack() as stack:
        def new(own_display=False):
            return stack.enter_context(_session("side", None if own_display else display,
                                                booted_prefix))
        yield new


@pytest.fixture
def driver(wine, programs):
    """The session's long-lived drowsel_e2e.driver.Driver."""
    return Driver.of(wine, programs.driver)


@pytest.fixture
def start_chat(wine, programs):
    """start_chat(name="chat", *options, bits=64, wine=None): a stand-in chat
    client (drowsel_e2e.chat.ChatClient) with a log of its own, READY."""
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
    """drowsel.exe started beside `chat`: the greeting in, the window shown,
    the controls' IDs learnt; its process."""
    return start_beside(wine, drowsel_exe, chat, driver)
