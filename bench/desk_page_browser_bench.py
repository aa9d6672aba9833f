#!/usr/bin/python3
"""Times the desk's index.html in headless Chromium: from loading the file
to the first rows drawn, and one sort by a column (target for 10,000
reports: both under 2 s).

    desk_page_browser_bench.py PATH/index.html [RUNS]
"""
import os
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By


def main():
    page = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as profile:
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--no-first-run",
                     "--user-data-dir=" + profile, "--window-size=1400,900"):
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        try:
            for run in range(runs):
                start = time.monotonic()
                driver.get("file://" + page)
                rows = int(driver.find_element(By.ID, "count").get_attribute("data-shown"))
                opened = time.monotonic() - start
                # Sorts by the tuners column, then waits for the browser to draw.
                sort = driver.execute_script(
                    "var t = performance.now(); document.querySelectorAll('#head th')[3].click();"
                    "return performance.now() - t;")
                print("run %d: %d rows, opened in %.2f s, sorted in %.0f ms" % (run + 1, rows, opened, sort))
        finally:
            driver.quit()


if __name__ == "__main__":
    main()
