#!/usr/bin/python3
"""The stand-in's pages as people use them, in headless Chromium, at desktop and phone width.

usage: site_in_browser.py SERVICE_PROGRAM WORK_DIR
Starts the service on free loopback ports with the demo data in WORK_DIR/data, walks one flow
per group of pages and leaves screenshots in WORK_DIR/shots. Exits 0 when every flow held.
"""
import hashlib
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import threading
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service
from selenium.common.exceptions import StaleElementReferenceException, WebDriverException
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

# Shutting Chromium down without leaving a process behind is the client's browser test's.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))
from web_sign_in_browser import end_the_rest_of_the_group, quit_within  # noqa: E402

DESKTOP = (1280, 900)
PHONE = (390, 844)


class StandIn:
    """The service as a child process; stop() ends it."""

    def __init__(self, program, data):
        self.data = data
        self.process = subprocess.Popen(
            [program, "--data", data, "--http", "127.0.0.1:0", "--ftp", "127.0.0.1:0",
             "--seed-demo"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        line = [""]
        reader = threading.Thread(target=lambda: line.__setitem__(0, self.process.stdout.readline()))
        reader.start()
        reader.join(60)
        found = re.search(r"http=(\S+)", line[0])
        if not found:
            self.stop()
            raise RuntimeError("the service did not start: " + line[0])
        self.base = "http://" + found.group(1)

    def api(self, path, pairs):
        """GET of an operation; the query values encoded, the answer as text."""
        query = "&".join(k + "=" + urllib.parse.quote(v, safe="") for k, v in pairs)
        with urllib.request.urlopen(self.base + path + "?" + query, timeout=20) as answer:
            return urllib.parse.unquote_plus(answer.read().decode())

    def signed(self, path, who, pairs):
        pairs = [("uid", who["uid"]), ("token", who["token"])] + pairs
        sign = hashlib.md5("".join(v for _, v in pairs).encode()).hexdigest().upper()
        return self.api(path, pairs + [("sign", sign)])

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def attribute(answer, name):
    found = re.search(r'\b' + name + r'="([^"]*)"', answer)
    return found.group(1) if found else ""


def folder_id(service, who, parent, name):
    listing = service.signed("/UserService.asmx/GetFiles", who,
                             [("dir", parent), ("order", "name"), ("desc", "0")])
    for element in re.findall(r"<folder [^>]*>", listing):
        if attribute(element, "name") == name:
            return attribute(element, "id")
    raise AssertionError("no folder " + name + " in " + parent)


def share_folder(service, who, folder, description):
    service.signed("/fileservice.asmx/FolderShare", who,
                   [("dirids", folder), ("downpwd", ""), ("downValue", "0"),
                    ("description", description)])
    answer = service.signed("/fileservice.asmx/GetFolderShareLink", who, [("dirid", folder)])
    return attribute(answer, "url")


class Site:
    def __init__(self, driver, service, shots):
        self.driver = driver
        self.service = service
        self.shots = shots
        self.wait = WebDriverWait(driver, 30)

    def open(self, path):
        self.driver.get(path if path.startswith("http") else self.service.base + path)

    def text(self):
        return self.driver.find_element(By.TAG_NAME, "main").text

    def fill(self, fields):
        for name, value in fields.items():
            box = self.driver.find_element(By.NAME, name)
            box.clear()
            box.send_keys(value)

    def shot(self, name):
        for label, (width, height) in (("desktop", DESKTOP), ("phone", PHONE)):
            self.driver.set_window_size(width, height)
            self.driver.save_screenshot(os.path.join(self.shots, name + "-" + label + ".png"))
        self.driver.set_window_size(*DESKTOP)

    def fits_phone(self):
        self.driver.set_window_size(*PHONE)
        widths = self.driver.execute_script(
            "return [document.documentElement.scrollWidth, window.innerWidth]")
        self.driver.set_window_size(*DESKTOP)
        return widths[0] <= widths[1]


def check(condition, what):
    if not condition:
        raise AssertionError(what)
    print("ok:", what)


def replaced(old):
    """Whether the page holding `old` has gone. Chromium answers a question about an element of a
    document it has just left with a plain error rather than a stale reference: both mean gone."""
    def gone(_driver):
        try:
            old.is_enabled()
            return False
        except StaleElementReferenceException:
            return True
        except WebDriverException as error:
            if "does not belong to the document" in str(error):
                return True
            raise
    return gone


def submit_and_wait(site, fields):
    old = site.driver.find_element(By.TAG_NAME, "html")
    site.fill(fields)
    site.driver.find_element(By.CSS_SELECTOR, "main form button[type=submit]").click()
    site.wait.until(replaced(old))


def flows(site, service):
    demo = service.api("/OAuthService.asmx/Login", [("uid", "demo"), ("pwd", "demo123")])
    who = {"uid": attribute(demo, "uid"), "token": attribute(demo, "token")}
    photos = folder_id(service, who, "0", "照片")
    secret = folder_id(service, who, "0", "私密资料")

    # Shares: a description with blanks and "&", a subfolder, a protected folder.
    page = share_folder(service, who, photos, "旅行 照片 & 海边")
    site.open(page)
    check("分享说明：旅行 照片 & 海边" in site.text(), "the description reads as typed")
    site.driver.find_element(By.PARTIAL_LINK_TEXT, "旅行").click()
    site.driver.find_element(By.PARTIAL_LINK_TEXT, "第一天").click()
    check("日出.png" in site.text(), "a subfolder of a folder share opens")
    site.shot("share-subfolder")
    page = share_folder(service, who, secret, "")
    site.open(page)
    check("账号备忘" not in site.text() and "文件夹密码" in site.text(),
          "a protected folder asks for its password first")
    check("分享说明" not in site.text(), "no description, no heading for it")
    submit_and_wait(site, {"itempwd": "0000"})
    check("密码错误" in site.text(), "a wrong folder password is refused")
    site.shot("share-protected")
    submit_and_wait(site, {"itempwd": "1234"})
    check("账号备忘.txt" in site.text(), "the right folder password lists the folder")

    # Forms: a wrong password keeps the name; reload after registration registers nothing.
    site.open("/home")
    submit_and_wait(site, {"name": "guest", "password": "wrong-one"})
    check("用户名或密码错误" in site.text(), "a wrong password is refused")
    check(site.driver.find_element(By.NAME, "name").get_attribute("value") == "guest",
          "the user name stays after a wrong password")
    site.shot("sign-in-refused")
    site.open("/register.aspx")
    submit_and_wait(site, {"name": "newuser", "nickname": "新用户", "email": "",
                           "password": "secret1", "password2": "secret1"})
    check("注册成功" in site.text(), "registration succeeds")
    check("无法找回" in site.text(), "registration without an e-mail says what it costs")
    check("退出" in site.driver.find_element(By.TAG_NAME, "header").text,
          "the header shows the browser signed in")
    site.driver.refresh()
    check("注册成功" in site.text() and "请求无效" not in site.text(),
          "reloading after registration shows the same page")
    site.shot("registered")

    # Phones: pages fit 390 px without scrolling sideways.
    for path in ("/home", "/register.aspx", "/reset.aspx", "/account/upspace.aspx",
                 "/account/recommend.aspx", page[len(service.base):]):
        site.open(path)
        check(site.fits_phone(), path + " fits a 390 px screen")
    # Nicknames of 64 characters were allowed before the limit: the pages stay one column.
    with sqlite3.connect(os.path.join(service.data, "nubexa.db"), timeout=10) as db:
        db.execute("UPDATE accounts SET nickname = ? WHERE name = 'newuser'", ("长" * 64,))
    for path in ("/home", "/account/upspace.aspx"):
        site.open(path)
        check(site.fits_phone(), path + " with a 64-character nickname fits a 390 px screen")
    site.open("/home")
    site.shot("home")
    site.open("/account/recommend.aspx")
    site.shot("membership")


def main():
    program, work = sys.argv[1:3]
    os.setsid()
    # Every run starts from fresh demo data, a fresh browser profile and no old pictures.
    shutil.rmtree(work, ignore_errors=True)
    shots = os.path.join(work, "shots")
    os.makedirs(shots)
    service = StandIn(program, os.path.join(work, "data"))
    driver = None
    try:
        options = Options()
        options.binary_location = "/usr/bin/chromium"
        for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                     "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", "--no-first-run", "--no-proxy-server",
                     "--lang=zh-CN", "--user-data-dir=" + os.path.join(work, "profile")):
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        driver.set_page_load_timeout(30)
        driver.set_window_size(*DESKTOP)
        flows(Site(driver, service, shots), service)
    finally:
        if driver is not None and not quit_within(driver, 10):
            service.stop()
            end_the_rest_of_the_group()
        service.stop()


if __name__ == "__main__":
    main()
