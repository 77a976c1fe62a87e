"""Headless Chromium for the page tests and benchmarks: Debian's chromium
and chromium-driver driven by python3-selenium."""
import os
import shutil
import tempfile

CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
DRIVER = shutil.which("chromedriver") or "/usr/bin/chromedriver"


def missing():
    """Why the browser cannot run here, or None."""
    if not os.path.exists(CHROMIUM) or not os.path.exists(DRIVER):
        return "chromium and chromium-driver are not installed (apt-get install chromium chromium-driver)"
    try:
        import selenium  # noqa: F401
    except ImportError:
        return "python3-selenium is not installed"
    return None


class Browser:
    def __init__(self, width=1400, height=1000):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        self.profile = tempfile.mkdtemp(prefix="quilnaver-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--user-data-dir=" + self.profile):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        self.driver.set_window_size(width, height)
        self.driver.set_script_timeout(120)
        self.driver.set_page_load_timeout(300)

    def open(self, path):
        self.driver.get("file://" + os.path.abspath(path))

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def wait(self, condition, timeout=120):
        from selenium.webdriver.support.ui import WebDriverWait
        return WebDriverWait(self.driver, timeout, poll_frequency=0.05).until(lambda d: self.js(condition))

    def console(self):
        return self.driver.get_log("browser")

    def renderer_peak_kib(self):
        """The largest VmHWM of this browser's renderer processes, in KiB."""
        children = {}
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/stat" % pid) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
                children.setdefault(parent, []).append(int(pid))
            except (OSError, ValueError, IndexError):
                continue
        peak, todo = 0, [self.driver.service.process.pid]
        while todo:
            pid = todo.pop()
            todo.extend(children.get(pid, []))
            try:
                with open("/proc/%d/cmdline" % pid, "rb") as f:
                    if b"--type=renderer" not in f.read():
                        continue
                with open("/proc/%d/status" % pid) as f:
                    for line in f:
                        if line.startswith("VmHWM:"):
                            peak = max(peak, int(line.split()[1]))
            except OSError:
                continue
        return peak

    def quit(self):
        try:
            self.driver.quit()
        finally:
            shutil.rmtree(self.profile, ignore_errors=True)
