#!/usr/bin/env python3
"""The web build's page in each browser engine a player may meet, played as a player would:
Chromium (Chrome, Edge and most Android browsers), Firefox, and WebKit (Safari, and every
browser on an iPhone or iPad). One browser session per engine plays through the checks in
turn, with as few page loads as it can:

- the site loads, and the game fills the page at 1280 x 800, scaled evenly and drawn at the
  pixels it covers;
- a whole game is played by mouse and keyboard: an answer typed in capitals, a wrong one, a
  pass, the rest right, the passed letter right when it comes back; each disc shows its
  verdict and the game ends with its closing message;
- the instructions open beside the game, the clock going on meanwhile, and "Torna al gioco"
  brings the game back at its own size;
- the page, resized to 1920 x 1080, fits the game afresh, and the instructions with it;
- with the server gone, a reload starts the game from what the service worker keeps.

Chromium runs through chromedriver; Firefox through the WebDriver BiDi it speaks itself (Debian
has no geckodriver), over a websocket; WebKit as WebKitGTK's MiniBrowser under WebKitWebDriver,
on an X server of the test's own (Xvfb). Screenshots are left in the folder given, for a person
to look at: each engine's page at both sizes with the instructions open among them.

    web_engines.py --site DIR --screenshots DIR chromium|firefox|webkit
"""

import argparse
import base64
import io
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

from PIL import Image

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import web_page  # noqa: E402  (the server, the windows' places, the fit)
from web_page import (AVANTI, CAPTION, GIOCA, INSTRUCTIONS_CAPTION, ISTRUZIONI, TIME_BOX,  # noqa: E402
                      TORNA, centre, disc)

BANK = pathlib.Path(__file__).resolve().parent.parent / 'src/content/bank_data.cpp'
LETTERS = 'ABCDEFGHILMNOPQRSTUVZ'
GREEN, RED = (0, 255, 0), (255, 0, 0)
ENDING = 'PECCATO......SEI RIUSCITO A RISPONDERE A SOLO 20 DOMANDE!!'
FIREFOX = '/usr/bin/firefox-esr'
MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser'


def clues():
    """Every letter's clues with their answers, from the game's own content."""
    text = BANK.read_text()
    parts = re.split(r'^\s*// ([A-Z])$', text, flags=re.M)[1:]
    bank = {letter: dict(re.findall(r'\{u"([^"]*)", u"([^"]*)"\}', body))
            for letter, body in zip(parts[::2], parts[1::2])}
    assert ''.join(bank) == LETTERS and all(len(b) == 10 for b in bank.values()), 'the content is not as expected'
    return bank


class SeleniumBrowser:
    """A browser that Selenium drives: what Chromium and WebKit do alike."""

    def goto(self, url):
        self.driver.get(url)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def click(self, x, y):
        selenium_click(self.driver, x, y)

    def keys(self, text):
        selenium_keys(self.driver, text)

    def screenshot(self):
        return Image.open(io.BytesIO(self.driver.get_screenshot_as_png())).convert('RGB')

    def close(self):
        self.driver.quit()


class Chromium(SeleniumBrowser):
    """Debian's Chromium, headless, through chromedriver; the window's size through its DevTools."""

    def __init__(self, screen):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        self.profile = tempfile.mkdtemp(prefix='giro-chromium-')
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for flag in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                     '--disable-quic', '--no-first-run', '--disable-background-networking',
                     '--disable-component-update', '--disable-sync', '--disable-extensions',
                     '--disable-default-apps', '--force-device-scale-factor=1', '--window-size=1280,800',
                     f'--user-data-dir={self.profile}'):
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)

    def resize(self, width, height):
        self.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                                    dict(width=width, height=height, deviceScaleFactor=1, mobile=False))

    def close(self):
        super().close()
        shutil.rmtree(self.profile, ignore_errors=True)


def selenium_click(driver, x, y):
    from selenium.webdriver.common.actions.action_builder import ActionBuilder
    actions = ActionBuilder(driver)
    actions.pointer_action.move_to_location(round(x), round(y)).pointer_down().pointer_up()
    actions.perform()


def selenium_keys(driver, text):
    from selenium.webdriver.common.action_chains import ActionChains
    ActionChains(driver).send_keys(text).perform()


class Firefox:
    """Debian's Firefox ESR, headless, driven over its own WebDriver BiDi: commands go as JSON
    over a websocket, each answered by its id; events are not asked for."""

    # Firefox calls home for updates, add-ons, safe browsing and the like: none of that here.
    PREFERENCES = {
        'app.update.disabledForTesting': True, 'browser.shell.checkDefaultBrowser': False,
        'browser.startup.homepage_override.mstone': 'ignore', 'browser.startup.page': 0,
        'browser.newtabpage.enabled': False, 'browser.safebrowsing.downloads.enabled': False,
        'browser.safebrowsing.malware.enabled': False, 'browser.safebrowsing.phishing.enabled': False,
        'browser.safebrowsing.update.enabled': False, 'datareporting.policy.dataSubmissionEnabled': False,
        'datareporting.healthreport.uploadEnabled': False, 'toolkit.telemetry.enabled': False,
        'toolkit.telemetry.reportingpolicy.firstRun': False, 'extensions.update.enabled': False,
        'extensions.getAddons.cache.enabled': False, 'network.captive-portal-service.enabled': False,
        'network.connectivity-service.enabled': False, 'network.dns.disablePrefetch': True,
        'network.prefetch-next': False, 'services.settings.server': 'http://127.0.0.1:9/',
        'browser.region.network.url': '', 'browser.topsites.contile.enabled': False,
    }

    def __init__(self, screen):
        from websockets.sync.client import connect
        self.profile = tempfile.mkdtemp(prefix='giro-firefox-')
        with open(f'{self.profile}/user.js', 'w') as prefs:
            for name, value in self.PREFERENCES.items():
                prefs.write(f'user_pref("{name}", {json.dumps(value)});\n')
        self.log = open(f'{self.profile}/firefox.log', 'w')
        self.process = subprocess.Popen([FIREFOX, '--headless', '--no-remote', '--profile', self.profile,
                                         '--remote-debugging-port', '0', 'about:blank'],
                                        stdout=self.log, stderr=subprocess.STDOUT)
        end = time.monotonic() + 60
        while not (found := re.search(r'WebDriver BiDi listening on (ws://\S+)',
                                      pathlib.Path(f'{self.profile}/firefox.log').read_text())):
            assert time.monotonic() < end and self.process.poll() is None, 'Firefox did not open its WebDriver BiDi'
            time.sleep(0.1)
        self.socket = connect(found.group(1) + '/session', max_size=None, open_timeout=30)
        self.serial = 0
        self.send('session.new', capabilities={})
        self.context = self.send('browsingContext.getTree')['contexts'][0]['context']

    def send(self, method, **params):
        self.serial += 1
        self.socket.send(json.dumps({'id': self.serial, 'method': method, 'params': params}))
        while True:
            message = json.loads(self.socket.recv(timeout=120))
            if message.get('id') == self.serial:
                if message.get('type') == 'error':
                    raise RuntimeError(f'{method}: {message["error"]}: {message.get("message")}')
                return message['result']

    def goto(self, url):
        self.send('browsingContext.navigate', context=self.context, url=url, wait='complete')

    def js(self, script, *args):
        # A function body as selenium takes it, its arguments and result passed as JSON.
        answer = self.send('script.callFunction', target={'context': self.context}, awaitPromise=True,
                           functionDeclaration='function (json) { const result = (function () {'
                                               + script + '}).apply(null, JSON.parse(json));'
                                               ' return result === undefined ? null : JSON.stringify(result); }',
                           arguments=[{'type': 'string', 'value': json.dumps(args)}])
        if answer['type'] == 'exception':
            raise RuntimeError(answer['exceptionDetails']['text'])
        return json.loads(answer['result']['value']) if answer['result']['type'] == 'string' else None

    def resize(self, width, height):
        self.send('browsingContext.setViewport', context=self.context,
                  viewport={'width': width, 'height': height}, devicePixelRatio=1)

    def click(self, x, y):
        self.send('input.performActions', context=self.context, actions=[{
            'type': 'pointer', 'id': 'mouse', 'parameters': {'pointerType': 'mouse'},
            'actions': [{'type': 'pointerMove', 'x': round(x), 'y': round(y)},
                        {'type': 'pointerDown', 'button': 0}, {'type': 'pointerUp', 'button': 0}]}])

    def keys(self, text):
        strokes = [stroke for c in text for stroke in ({'type': 'keyDown', 'value': c}, {'type': 'keyUp', 'value': c})]
        self.send('input.performActions', context=self.context,
                  actions=[{'type': 'key', 'id': 'keyboard', 'actions': strokes}])

    def screenshot(self):
        shot = self.send('browsingContext.captureScreenshot', context=self.context)['data']
        return Image.open(io.BytesIO(base64.b64decode(shot))).convert('RGB')

    def close(self):
        try:
            self.send('browser.close')
        except Exception:
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)


class WebKit(SeleniumBrowser):
    """WebKitGTK's MiniBrowser through WebKitWebDriver, on the X server given."""

    def __init__(self, screen):
        from selenium import webdriver
        from selenium.webdriver.webkitgtk.options import Options
        from selenium.webdriver.webkitgtk.service import Service
        options = Options()
        options.binary_location = MINIBROWSER
        options.add_argument('--automation')
        # As root WebKit's sandbox cannot start; and no accessibility bus runs here.
        environment = {**os.environ, 'DISPLAY': screen, 'NO_AT_BRIDGE': '1',
                       'WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS': '1'}
        self.driver = webdriver.WebKitGTK(service=Service('/usr/bin/WebKitWebDriver', env=environment),
                                          options=options)

    def resize(self, width, height):
        # The window's size takes its frame; the page is whatever is left inside.
        outside = self.driver.get_window_size()
        inside = self.js('return [innerWidth, innerHeight]')
        self.driver.set_window_size(width + outside['width'] - inside[0], height + outside['height'] - inside[1])


class XServer:
    """A private X server, large enough for a 1920 x 1080 page in a browser's window."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(['Xvfb', '-displayfd', str(write), '-screen', '0', '2200x1400x24',
                                         '-nolisten', 'tcp'], pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as answer:
            self.display = ':' + answer.readline().strip()
        assert self.display != ':', 'Xvfb did not start'

    def close(self):
        self.process.terminate()
        self.process.wait()


ENGINES = {'chromium': Chromium, 'firefox': Firefox, 'webkit': WebKit}


class Player(web_page.Page):
    """The page in one engine, with the harness's ways of finding the windows and reading the
    screen; clicks and keys go through the engine's driver."""

    def __init__(self, engine, site):  # the harness's own browser is not started
        self.engine = engine
        self.site = site

    def js(self, script, *args):
        return self.engine.js(script, *args)

    def screenshot(self):
        return self.engine.screenshot()

    def click(self, box, caption=CAPTION):
        self.engine.click(*self.at(centre(box), caption))
        time.sleep(0.2)

    def type(self, text):
        self.engine.keys(text)
        time.sleep(0.2)

    def said(self):
        """What the page's line for screen readers says."""
        return self.js('return document.getElementById("annuncio").textContent')


def loads_and_fits(player, shots, name):
    player.engine.resize(1280, 800)
    player.engine.goto(player.site.url)
    player.started()
    assert player.js('return document.title') == 'GIROLETTERA'
    scale = web_page.fitted(player, [CAPTION])
    player.save(shots, f'{name}-1280x800')
    return f'1280 x 800: the game at {scale:.3f}'


def plays_a_whole_game(player, shots, name):
    bank = clues()
    player.click(GIOCA)
    asked = {}

    def clue_of(letter):
        # The page says the letter asked and its clue; of two clues one of which holds the
        # other, the longer.
        said = player.said()
        if f'Lettera {letter}' not in said:
            return None
        return max((c for c in bank[letter] if c in said), key=len, default=None)

    def answer(letter, typed):
        clue = player.wait(f'the clue of {letter}', lambda: clue_of(letter), timeout=10)
        asked[letter] = clue
        before = player.said()
        player.type(typed(bank[letter][clue]))
        player.click(AVANTI)
        player.wait(f'the verdict on {letter}', lambda: player.said() != before, timeout=10)

    answer('A', str.upper)
    # The instructions, opened mid-game: beside the game, the clock going on, and closed again.
    player.click(ISTRUZIONI)
    web_page.fitted(player, [CAPTION, INSTRUCTIONS_CAPTION])
    assert web_page.instructions_lie(player) == 'beside', web_page.instructions_lie(player)
    clock = player.box_image(TIME_BOX)
    player.save(shots, f'{name}-1280x800-instructions')
    time.sleep(1.2)
    assert player.box_image(TIME_BOX) != clock, 'the clock stopped while the instructions were open'
    player.click(TORNA, INSTRUCTIONS_CAPTION)
    player.wait('the instructions to close', lambda: len(player.windows()) == 1)
    web_page.fitted(player, [CAPTION])
    answer('B', lambda right: 'x')
    answer('C', lambda right: 'girolettera')
    for letter in LETTERS[3:]:
        answer(letter, lambda right: right)
    # C again, with the same clue.
    clue = player.wait('C asked again', lambda: clue_of('C'), timeout=10)
    assert clue == asked['C'], f'C came back with "{clue}" for "{asked["C"]}"'
    player.type(bank['C'][clue])
    player.click(AVANTI)
    said = player.wait('the end', lambda: ENDING in (s := player.said()) and s, timeout=10)
    shot = player.save(shots, f'{name}-ended')
    wrong = [k for k in range(1, 22) if not player.disc_is(disc(k), RED if k == 2 else GREEN, shot)]
    assert not wrong, f'discs {[LETTERS[k - 1] for k in wrong]} do not show their verdicts'
    assert said.endswith(web_page.RETRY), said
    return f'game: {said}'


def refits_at_1920_by_1080(player, shots, name):
    player.engine.resize(1920, 1080)
    scale = web_page.fitted(player, [CAPTION])
    player.click(ISTRUZIONI)
    beside = web_page.fitted(player, [CAPTION, INSTRUCTIONS_CAPTION])
    assert web_page.instructions_lie(player) == 'beside', web_page.instructions_lie(player)
    player.save(shots, f'{name}-1920x1080-instructions')
    player.click(TORNA, INSTRUCTIONS_CAPTION)
    player.wait('the instructions to close', lambda: len(player.windows()) == 1)
    return f'1920 x 1080: the game at {scale:.3f}, with the instructions beside it at {beside:.3f}'


def offline_reload(player, shots, name):
    worker = player.wait('the service worker to serve the page', lambda: player.js(
        'return !!navigator.serviceWorker && !!navigator.serviceWorker.controller'), timeout=20)
    assert worker
    player.site.close()  # no network: the server is gone
    player.engine.goto(player.site.url)
    player.started()
    player.click(GIOCA)
    player.type('x')
    player.click(AVANTI)
    shot = player.save(shots, f'{name}-offline')
    assert player.disc_is(disc(1), RED, shot), 'offline, AVANTI did not judge A'
    return 'offline: reloaded from the service worker, A judged'


def page_crashed(error):
    """Whether the browser's driver lost the page: its process crashed."""
    return any(words in str(error) for words in ('Session terminated without a reply',
                                                 'page crash or hang', 'Could not parse script result'))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--site', required=True, type=pathlib.Path)
    parser.add_argument('--screenshots', required=True, type=pathlib.Path)
    parser.add_argument('engine', choices=ENGINES)
    arguments = parser.parse_args()
    arguments.screenshots.mkdir(parents=True, exist_ok=True)
    name = arguments.engine
    site = web_page.Site(arguments.site)
    screen = XServer() if name == 'webkit' else None
    failed = False
    started = time.monotonic()
    engine = None
    try:
        engine = ENGINES[name](screen.display if screen else None)
        player = Player(engine, site)
        for check in (loads_and_fits, plays_a_whole_game, refits_at_1920_by_1080, offline_reload):
            begun = time.monotonic()
            try:
                try:
                    said = check(player, arguments.screenshots, name)
                except Exception as error:
                    # WebKitGTK 2.54's page process now and then stops on an assertion of its
                    # own while the program starts (the kernel logs an invalid opcode in
                    # libwebkit2gtk; about one load in five here): the first load is tried
                    # once more in a new browser, and the crash is reported. A fault of the
                    # page's own fails again.
                    if check is not loads_and_fits or not page_crashed(error):
                        raise
                    print(f'NOTE   : {name}: the page crashed while loading ({error}); once more in a new browser')
                    try:
                        engine.close()
                    except Exception:
                        pass  # the browser may have gone with its page
                    engine = ENGINES[name](screen.display if screen else None)
                    player = Player(engine, site)
                    said = check(player, arguments.screenshots, name)
                print(f'PASS   : {name} {check.__name__} ({time.monotonic() - begun:.1f} s): {said}')
            except Exception:
                failed = True
                print(f'FAIL!  : {name} {check.__name__}')
                traceback.print_exc(file=sys.stdout)
                break  # each check goes on from where the one before left the page
            sys.stdout.flush()
    finally:
        if engine:
            engine.close()
        if screen:
            screen.close()
        site.close()
    print(f'{name}: {time.monotonic() - started:.1f} s in all')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
