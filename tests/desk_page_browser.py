#!/usr/bin/python3
"""The desk's page in headless Chromium (Debian chromium, chromium-driver,
python3-selenium): index.html built from the example mailbox and one report
holding a script in its values. The row count is right, a header click
sorts, the filter reduces the rows, a row opens its report with the
findings, and the script shows as text without running. Screenshots of the
table and of one report go to ARTIFACTS.

    desk_page_browser.py TARNWICK_DESK TESTS_DESK_DIR ARTIFACTS
"""
import os
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

HOSTILE = "<script>alert(1)</script>"
# The example mailbox holds six messages; five carry a report (the last
# asks a question only). With the hostile report: six rows.
ROWS = 6


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run",
                 "--user-data-dir=" + profile, "--window-size=1400,900"):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def no_alert(driver, where):
    try:
        text = driver.switch_to.alert.text
    except NoAlertPresentException:
        return
    raise AssertionError("%s: a script ran and opened an alert (%s)" % (where, text))


def shown(driver):
    return int(driver.find_element(By.ID, "count").get_attribute("data-shown"))


def column(driver, at):
    return [row.find_elements(By.TAG_NAME, "td")[at].get_attribute("textContent")
            for row in driver.find_elements(By.CSS_SELECTOR, "#fleet tbody tr")]


def main():
    desk, fixtures, artifacts = sys.argv[1:4]
    os.makedirs(artifacts, exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch:
        with open(os.path.join(fixtures, "reports", "after.ini"), "rb") as f:
            report = f.read()
        hostile = os.path.join(scratch, "hostile.ini")
        with open(hostile, "wb") as f:
            f.write(report.replace(b"Thomas is", HOSTILE.encode() + b" is")
                    .replace(b"Cyberlink PowerCinema Version =5.0.1", b"Cyberlink PowerCinema Version =" + HOSTILE.encode()))
        page = os.path.join(scratch, "page")
        subprocess.run([desk, "page", os.path.join(fixtures, "example.mbox"), hostile, "-o", page], check=True)
        driver = browser(os.path.join(scratch, "profile"))
        try:
            driver.get("file://" + os.path.join(page, "index.html"))
            no_alert(driver, "index.html")
            assert shown(driver) == ROWS, "%d rows, not %d" % (shown(driver), ROWS)
            assert len(driver.find_elements(By.CSS_SELECTOR, "#fleet tbody tr")) == ROWS

            before = column(driver, 1)
            assert before != sorted(before), before  # the mailbox's order is not the sorted one
            headers = driver.find_elements(By.CSS_SELECTOR, "#head th")
            headers[1].click()  # From
            senders = column(driver, 1)
            assert senders == sorted(before), senders
            headers[1].click()
            assert column(driver, 1) == sorted(senders, reverse=True), column(driver, 1)
            driver.save_screenshot(os.path.join(artifacts, "table.png"))

            box = driver.find_element(By.ID, "filter")
            box.send_keys("office.example")
            assert shown(driver) == 1, shown(driver)
            assert column(driver, 1) == ["Outlook User <user@office.example>"], column(driver, 1)
            box.clear()
            box.send_keys("alert(1)")
            assert column(driver, 5) == ["Cyberlink PowerCinema Version " + HOSTILE], column(driver, 5)
            no_alert(driver, "filtered index.html")

            box.clear()
            box.send_keys("office.example")
            driver.find_element(By.CSS_SELECTOR, "#fleet tbody tr td").click()
            findings = driver.find_element(By.ID, "findings").text
            for id in ("no-supported-tuner", "run-incomplete", "not-administrator"):
                assert id in findings, findings
            assert "Advice:" in findings, findings
            driver.save_screenshot(os.path.join(artifacts, "report.png"))

            driver.back()
            box = driver.find_element(By.ID, "filter")
            box.clear()
            box.send_keys("alert(1)")
            driver.find_element(By.CSS_SELECTOR, "#fleet tbody tr td").click()
            no_alert(driver, "the hostile report")
            card = driver.find_element(By.ID, "card").text
            assert HOSTILE in card, card
            assert driver.execute_script("return document.scripts.length") == 0
        finally:
            driver.quit()
    print("screenshots: %s, %s" % (os.path.join(artifacts, "table.png"), os.path.join(artifacts, "report.png")))


if __name__ == "__main__":
    main()
