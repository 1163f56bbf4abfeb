#!/usr/bin/python3
"""Completes the stand-in's QQ/Sina sign-in page as a user would, in headless Chromium.

usage: web_sign_in_browser.py URL ACCOUNT PASSWORD PROFILE_DIR
Exits 0 once the page says the sign-in is confirmed.
"""
import os
import signal
import sys
import threading

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import WebDriverWait


def quit_within(driver, seconds):
    """driver.quit() can hang while Chromium shuts down; the test waits for this process."""
    closer = threading.Thread(target=driver.quit, daemon=True)
    closer.start()
    closer.join(seconds)
    return not closer.is_alive()


def end_the_rest_of_the_group():
    """Chromedriver and Chromium were started in this process's group: none may outlive it."""
    group = os.getpgid(0)
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            if os.getpgid(int(entry)) == group:
                os.kill(int(entry), signal.SIGKILL)
        except OSError:
            pass


def main():
    url, account, password, profile = sys.argv[1:5]
    os.setsid()
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--no-first-run", "--no-proxy-server",
                 "--user-data-dir=" + profile):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.set_page_load_timeout(30)
        driver.get(url)
        wait = WebDriverWait(driver, 30)
        name = wait.until(expected_conditions.presence_of_element_located((By.NAME, "name")))
        name.send_keys(account)
        field = driver.find_element(By.NAME, "password")
        field.send_keys(password)
        field.find_element(By.XPATH, "ancestor::form//button[@type='submit']").click()
        wait.until(expected_conditions.presence_of_element_located((By.CSS_SELECTOR, "p.ok")))
        print("confirmed:", driver.find_element(By.CSS_SELECTOR, "p.ok").text)
    finally:
        if not quit_within(driver, 10):
            end_the_rest_of_the_group()


if __name__ == "__main__":
    main()
