#!/usr/bin/env python3
"""The web build's page, played in headless Chromium as a player would play it.

The site is served on 127.0.0.1 by a server of the test's own, which notes every file asked
for. Each check loads the page afresh in a new browser, plays through the windows with the
mouse, the keyboard or touch, and reads what the player sees off screenshots (the colour of
a disc, whether the clock's box changes) and what a screen reader hears off Chromium's
accessibility tree. Screenshots are left in the folder given, for a person to look at.

    web_page.py --site DIR --screenshots DIR [CHECK...]
"""

import argparse
import base64
import contextlib
import functools
import http.server
import io
import json
import pathlib
import shutil
import sys
import tempfile
import threading
import time
import traceback

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service

CAPTION = 'GIROLETTERA v.1.00 di Bottega del Quiz '
INSTRUCTIONS_CAPTION = 'Istruzioni e informazioni sul gioco'
SITE_FILES = {'/', '/index.html', '/girolettera.js', '/qtloader.js', '/girolettera.wasm'}
RETRY = 'RIPROVA LA PROSSIMA VOLTA!!!'


def twips(*values):
    return tuple(v // 15 for v in values)


# Places in the main window, in its own pixels: (left, top, width, height).
GIOCA = twips(2160, 120, 975, 375)
AVANTI = twips(4680, 5040, 1095, 375)
ESCI = twips(240, 5040, 855, 375)
ISTRUZIONI = twips(240, 120, 1335, 735)
ANSWER_BOX = twips(1440, 5280, 3015, 285)
TIME_BOX = twips(4080, 840, 1215, 285)
# The discs' places, letter by letter, A to Z.
DISC_PLACES = ((960, 1320), (960, 1800), (960, 2280), (960, 2760), (960, 3240), (1440, 3240),
               (1920, 3240), (1920, 2760), (1920, 2280), (1920, 1800), (2160, 1320), (2640, 1320),
               (2880, 1800), (2880, 2280), (2880, 2760), (2880, 3240), (3360, 3240), (3840, 3240),
               (3840, 2760), (3840, 2280), (3840, 1800))


def disc(k):
    return twips(*DISC_PLACES[k - 1], 495, 495)


DISC_A = disc(1)
DISC_B = disc(2)

RED = (255, 0, 0)


def centre(box):
    left, top, width, height = box
    return left + width / 2, top + height / 2


def ring(box):
    """Points on a disc between its outline and the letter in its middle."""
    left, top, size, _ = box
    middle = size / 2
    return [(left + x, top + y) for x, y in
            ((5, middle), (size - 5, middle), (middle, 5), (middle, size - 5),
             (8, 8), (size - 8, 8), (8, size - 8), (size - 8, size - 8))]


class Site:
    """The site on 127.0.0.1, on a free port; `asked` is every path asked for, in order."""

    def __init__(self, folder):
        self.asked = []
        asked = self.asked

        class Handler(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                asked.append(self.path.split('?')[0])
                super().do_GET()

        handler = functools.partial(Handler, directory=str(folder))
        self.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        self.url = f'http://127.0.0.1:{self.server.server_address[1]}/'
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class Page:
    """One browser with the game's page loaded, and what a player does and sees there."""

    def __init__(self, url, *, mobile=None, touch=False, throttle=None, before=None):
        self.profile = tempfile.mkdtemp(prefix='giro-chromium-')
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        # As root there is no sandbox; the rest keeps Chromium off the network it would call
        # home to, which this test must not see either.
        for flag in ('--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
                     '--disable-quic', '--no-first-run', '--disable-background-networking',
                     '--disable-component-update', '--disable-sync', '--disable-extensions',
                     '--disable-default-apps', '--force-device-scale-factor=1',
                     '--window-size=1280,800', f'--user-data-dir={self.profile}'):
            options.add_argument(flag)
        options.set_capability('goog:loggingPrefs', {'performance': 'ALL', 'browser': 'ALL'})
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
        self.cdp('Network.enable')
        if mobile:
            width, height, scale = mobile
            self.cdp('Emulation.setDeviceMetricsOverride',
                     width=width, height=height, deviceScaleFactor=scale, mobile=True)
        if touch or mobile:
            self.cdp('Emulation.setTouchEmulationEnabled', enabled=True, maxTouchPoints=5)
        if throttle:
            self.cdp('Network.emulateNetworkConditions', offline=False, latency=0,
                     downloadThroughput=throttle, uploadThroughput=throttle)
        if before:  # a script of the caller's, run in the page before the page's own
            self.cdp('Page.addScriptToEvaluateOnNewDocument', source=before)
        self.driver.get(url)

    def close(self):
        with contextlib.suppress(Exception):
            self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def wait(self, what, condition, timeout=60):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            value = condition()
            if value:
                return value
            time.sleep(0.05)
        raise AssertionError(f'timed out waiting for {what}')

    def windows(self):
        """The game's windows on the page: caption, frame and inside, in page pixels."""
        return self.js('''
            const rect = r => ({left: r.left, top: r.top, right: r.right, bottom: r.bottom});
            const screen = document.getElementById('qt-shadow-container')?.shadowRoot;
            return [...(screen ? screen.querySelectorAll('.qt-window') : [])]
                .filter(w => getComputedStyle(w).display !== 'none')
                .map(w => ({caption: w.querySelector('.window-name')?.textContent ?? '',
                            frame: rect(w.getBoundingClientRect()),
                            inside: rect(w.querySelector('canvas').getBoundingClientRect())}));''')

    def window(self, caption, timeout=60):
        return self.wait(f'the window "{caption}"',
                         lambda: next((w for w in self.windows() if w['caption'] == caption), None),
                         timeout)

    def started(self):
        """Waits for the game's window and its first frame."""
        self.window(CAPTION)
        self.wait('the first frame', lambda: self.colour(centre(GIOCA)) != (0, 0, 0))
        time.sleep(0.3)
        return self

    def at(self, point, caption=CAPTION):
        inside = self.window(caption)['inside']
        return inside['left'] + point[0], inside['top'] + point[1]

    def click(self, box, caption=CAPTION):
        x, y = self.at(centre(box), caption)
        for kind in ('mouseMoved', 'mousePressed', 'mouseReleased'):
            self.cdp('Input.dispatchMouseEvent', type=kind, x=x, y=y, button='left',
                     buttons=0 if kind == 'mouseReleased' else 1, clickCount=1)
        time.sleep(0.2)

    def tap(self, box):
        x, y = self.at(centre(box))
        self.cdp('Input.dispatchTouchEvent', type='touchStart', touchPoints=[{'x': x, 'y': y}])
        self.cdp('Input.dispatchTouchEvent', type='touchEnd', touchPoints=[])
        time.sleep(0.3)

    def key(self, key, code, key_code, text=None):
        for kind in ('keyDown', 'keyUp'):
            params = dict(type=kind, key=key, code=code, windowsVirtualKeyCode=key_code)
            if text and kind == 'keyDown':
                params['text'] = text
            self.cdp('Input.dispatchKeyEvent', **params)
        time.sleep(0.05)

    # The keys of a US keyboard that type the characters the tests type besides letters and
    # digits: (code, virtual key code).
    KEYS = {' ': ('Space', 32), '.': ('Period', 190), ',': ('Comma', 188), '<': ('Comma', 188),
            '>': ('Period', 190), '=': ('Equal', 187), '"': ('Quote', 222), "'": ('Quote', 222)}

    def type(self, text):
        for character in text:
            if character.isascii() and character.isalpha():
                code, key_code = f'Key{character.upper()}', ord(character.upper())
            elif character.isdigit():
                code, key_code = f'Digit{character}', ord(character)
            else:
                code, key_code = self.KEYS[character]
            self.key(character, code, key_code, character)
        time.sleep(0.2)

    def screenshot(self):
        png = self.cdp('Page.captureScreenshot', format='png')['data']
        return Image.open(io.BytesIO(base64.b64decode(png))).convert('RGB')

    def save(self, folder, name):
        shot = self.screenshot()
        shot.save(folder / f'{name}.png')
        return shot

    def colour(self, point, shot=None):
        """The colour the player sees at a point of the main window."""
        shot = shot or self.screenshot()
        scale = shot.width / self.js('return window.innerWidth')
        x, y = self.at(point)
        return shot.getpixel((int(x * scale), int(y * scale)))

    def disc_is(self, box, colour, shot):
        points = ring(box)
        hits = sum(self.colour(p, shot) == colour for p in points)
        return hits >= len(points) - 2

    def box_image(self, box, shot=None):
        shot = shot or self.screenshot()
        scale = shot.width / self.js('return window.innerWidth')
        x, y = self.at(box[:2])
        return shot.crop((int(x * scale), int(y * scale),
                          int((x + box[2]) * scale), int((y + box[3]) * scale))).tobytes()

    def announced(self):
        """What the page's live region says, as Chromium's accessibility tree has it."""
        document = self.cdp('DOM.getDocument', depth=0)['root']['nodeId']
        node = self.cdp('DOM.querySelector', nodeId=document, selector='#annuncio')['nodeId']
        backend = self.cdp('DOM.describeNode', nodeId=node)['node']['backendNodeId']
        tree = {n['nodeId']: n for n in self.cdp('Accessibility.getFullAXTree')['nodes']}
        region = next(n for n in tree.values() if n.get('backendDOMNodeId') == backend)

        def texts(n):
            if n.get('role', {}).get('value') in ('StaticText', 'InlineTextBox'):
                return [n.get('name', {}).get('value', '')] if n['role']['value'] == 'StaticText' else []
            return [t for c in n.get('childIds', []) if c in tree for t in texts(tree[c])]

        return region.get('role', {}).get('value'), ''.join(texts(region))

    def mirror(self):
        """The windows' controls as Qt mirrors them into the page for a screen reader, as
        Chromium's accessibility tree has them: (role, name, value, description)."""
        found = []
        for node in self.cdp('Accessibility.getFullAXTree')['nodes']:
            role = node.get('role', {}).get('value')
            if role in ('button', 'textbox', 'StaticText') and not node.get('ignored'):
                value = lambda key: str(node.get(key, {}).get('value', ''))
                found.append((role, value('name'), value('value'), value('description')))
        return found

    def turn_on_the_mirror(self):
        self.js('''document.getElementById('qt-shadow-container').shadowRoot
                   .querySelector('button.hidden-visually-read-by-screen-reader').click()''')
        time.sleep(0.3)

    def requests(self):
        """Every address the page asked for since the last call."""
        urls = []
        for entry in self.driver.get_log('performance'):
            message = json.loads(entry['message'])['message']
            if message['method'] == 'Network.requestWillBeSent':
                urls.append(message['params']['request']['url'])
        return urls


CHECKS = []


def check(function):
    CHECKS.append(function)
    return function


@check
def page_loads_with_its_title_icon_and_progress(site, shots):
    # A slow line, so the loading line can be seen counting.
    page = Page(site.url, throttle=4 * 1024 * 1024)
    try:
        seen = set()
        page.wait('the game', lambda: seen.add(page.js(
            'return document.getElementById("pagina").hidden ? "" : document.getElementById("stato").textContent'))
            or page.windows())
        counted = sorted(int(t.split(':')[1].strip(' %')) for t in seen if t.startswith('Caricamento del gioco:'))
        assert len(counted) >= 3 and counted[-1] > counted[0], f'the loading line said {sorted(seen)}'
        assert page.driver.title == 'GIROLETTERA', page.driver.title
        icon = page.js('return document.querySelector("link[rel=icon]").href')
        assert icon.startswith('data:image/png;base64,'), icon[:40]
        assert page.js('return document.documentElement.lang') == 'it'
        page.started()
        assert [w['caption'] for w in page.windows()] == [CAPTION], page.windows()
        print(f'  loading line: {counted[0]} % ... {counted[-1]} %')
    finally:
        page.close()


@check
def wrong_answer_turns_disc_a_red_and_the_clock_counts(site, shots):
    page = Page(site.url).started()
    try:
        page.save(shots, 'desktop-ready')
        page.click(GIOCA)
        before = page.box_image(TIME_BOX)
        page.type('x')
        page.save(shots, 'desktop-typed')
        page.click(AVANTI)
        shot = page.save(shots, 'desktop-answered')
        assert page.disc_is(DISC_A, RED, shot), [page.colour(p, shot) for p in ring(DISC_A)]
        assert not page.disc_is(DISC_B, RED, shot), 'disc B is red too'
        time.sleep(2.2)
        assert page.box_image(TIME_BOX) != before, 'the time box did not change in two seconds'
    finally:
        page.close()


@check
def keyboard_alone_plays(site, shots):
    # Tab order: the question box (focused at the start), the answer box, ESCI, GIOCA, ...
    page = Page(site.url).started()
    try:
        page.click((0, 0, 1, 1))  # the page's keyboard goes to the window, as a first click does
        tab = functools.partial(page.key, 'Tab', 'Tab', 9)
        space = functools.partial(page.key, ' ', 'Space', 32, ' ')
        for _ in range(3):
            tab()
        space()
        page.type('x')
        for _ in range(5):  # ESCI, (GIOCA is disabled), score, time, Istruzioni, AVANTI
            tab()
        space()
        time.sleep(0.3)
        assert page.disc_is(DISC_A, RED, page.screenshot()), 'AVANTI by the keyboard did not judge A'
    finally:
        page.close()


@check
def instructions_open_beside_and_the_clock_goes_on(site, shots):
    page = Page(site.url).started()
    try:
        page.click(GIOCA)
        page.click(ISTRUZIONI)
        other = page.window(INSTRUCTIONS_CAPTION)
        game = page.window(CAPTION)
        assert other['frame']['left'] >= game['frame']['right'], (game['frame'], other['frame'])
        before = page.box_image(TIME_BOX)
        page.save(shots, 'desktop-instructions')
        time.sleep(2.2)
        assert page.box_image(TIME_BOX) != before, 'the clock stopped while the instructions were open'
    finally:
        page.close()


@check
def touch_plays(site, shots):
    page = Page(site.url, touch=True).started()
    try:
        page.tap(GIOCA)
        page.tap(ANSWER_BOX)
        # An on-screen keyboard comes up for the focused text field of the page.
        focused = page.js('return document.activeElement.tagName + "/" + document.activeElement.type')
        assert focused == 'INPUT/text', f'the page focused {focused}, which brings up no keyboard'
        page.cdp('Input.insertText', text='x')
        page.tap(AVANTI)
        assert page.disc_is(DISC_A, RED, page.screenshot()), 'a tap on AVANTI did not judge A'
    finally:
        page.close()


@check
def phone_shows_the_whole_game(site, shots):
    page = Page(site.url, mobile=(360, 740, 2)).started()
    try:
        shot = page.save(shots, 'phone-ready')
        # As far right as the page goes: it must not move.
        layout = page.js('''scrollTo(10000, 0);
                            return {left: visualViewport.pageLeft, visible: visualViewport.width,
                                    width: document.documentElement.clientWidth, scale: visualViewport.scale}''')
        game = page.window(CAPTION)['frame']
        assert layout['left'] < 1, f'the page scrolls sideways: {layout}'
        assert game['left'] >= 0 and game['right'] <= layout['visible'] + 0.5, (game, layout)
        assert shot.width == 720, shot.size
        page.tap(GIOCA)
        page.tap(ANSWER_BOX)
        page.cdp('Input.insertText', text='x')
        page.tap(AVANTI)
        shot = page.save(shots, 'phone-answered')
        assert page.disc_is(DISC_A, RED, shot), 'disc A did not turn red on the phone'
        print(f'  360 px phone: page laid out {layout["width"]} px wide, shown at {layout["scale"]:.3f}')
    finally:
        page.close()


@check
def screen_reader_hears_the_clue_the_verdict_and_the_end(site, shots):
    page = Page(site.url).started()
    try:
        page.click(GIOCA)
        role, said = page.wait('the clue', lambda: (r := page.announced())[1] and r)
        assert role == 'status', role
        assert said.startswith('Lettera A. ') and len(said) > len('Lettera A. '), said
        print(f'  after GIOCA:  {said}')
        page.type('x')
        page.click(AVANTI)
        said = page.wait('the verdict', lambda: (t := page.announced()[1]).startswith('A, ') and t)
        assert said.startswith('A, sbagliata. Lettera B. '), said
        print(f'  after AVANTI: {said}')
        for _ in range(20):
            page.type('x')
            page.click(AVANTI)
        said = page.wait('the end', lambda: (t := page.announced()[1]).startswith('Z, ') and t)
        assert said.startswith('Z, sbagliata. ') and said.endswith(RETRY), said
        print(f'  at the end:   {said}')
        page.save(shots, 'desktop-ended')
    finally:
        page.close()


@check
def screen_readers_mirror_reads_the_windows(site, shots):
    """Qt's mirror of the windows in the page, for a screen reader that moves through it: the
    question box holds the clue on show, the answer box is labelled and says what the game
    said last, each disc tells its state, and what the player types stays text."""
    page = Page(site.url).started()
    try:
        label = page.js('''return document.getElementById('qt-shadow-container').shadowRoot
                           .querySelector('button.hidden-visually-read-by-screen-reader').textContent''')
        assert label == 'Attiva il lettore di schermo', label
        page.turn_on_the_mirror()
        page.click(GIOCA)
        said = page.wait('the clue', lambda: page.announced()[1])
        clue = said.removeprefix('Lettera A. ')

        def read(what):
            mirror = page.wait(what, lambda: (m := page.mirror()) and ('textbox', 'Domanda', clue, '') in m and m)
            texts = {name for _, name, _, _ in mirror} | {value for _, _, value, _ in mirror}
            return mirror, texts

        mirror, texts = read('the clue in the mirror')
        assert ('textbox', 'Risposta', '', said) in mirror, mirror
        assert {'A, da giocare', 'Z, da giocare', 'GIOCA', 'AVANTI', 'ESCI'} <= texts, texts
        print(f'  after GIOCA:  Domanda = {clue!r}; Risposta, described {said!r}; "A, da giocare" … "Z, da giocare"')

        typed = '<img src=x onerror="document.title=1">'
        page.type(typed)
        page.click(AVANTI)
        said = page.wait('the verdict', lambda: (t := page.announced()[1]).startswith('A, ') and t)
        clue = said.removeprefix('A, sbagliata. Lettera B. ')
        mirror, texts = read('the next clue in the mirror')
        assert ('textbox', 'Risposta', '', said) in mirror, mirror
        assert {'A, sbagliata', 'B, da giocare'} <= texts, texts
        print(f'  after AVANTI: Domanda = {clue!r}; Risposta, described {said!r}; "A, sbagliata"')
        assert typed in texts, 'what was typed is not in the mirror as it was typed'
        images = page.js('''return document.getElementById('qt-shadow-container').shadowRoot
                            .querySelectorAll('.qt-window-a11y-container img').length''')
        assert images == 0 and page.driver.title == 'GIROLETTERA', 'the typing went into the page as markup'
    finally:
        page.close()


@check
def esci_ends_the_game_and_the_page_says_so(site, shots):
    page = Page(site.url).started()
    try:
        page.click(GIOCA)
        page.click(ESCI)
        said = page.wait('the page\'s word', lambda: page.js(
            'return document.getElementById("pagina").hidden ? "" : document.getElementById("stato").textContent'))
        assert said == 'Partita finita. Ricarica la pagina per giocare di nuovo.', said
        assert page.windows() == [], page.windows()
    finally:
        page.close()


# Notes every call of the page to what makes a browser ask the player for a permission.
ASKING = r'''
window.__asked = [];
const note = (owner, name) => {
  if (!owner || typeof owner[name] !== 'function') return;
  const original = owner[name];
  owner[name] = function (...args) { window.__asked.push(name); return original.apply(this, args); };
};
note(window, 'queryLocalFonts');
note(window.Notification, 'requestPermission');
note(navigator.mediaDevices, 'getUserMedia');
note(navigator.geolocation, 'getCurrentPosition');
note(navigator.geolocation, 'watchPosition');
note(navigator.clipboard, 'readText');
note(navigator.clipboard, 'read');
note(navigator.storage, 'persist');
'''


@check
def no_request_leaves_the_sites_own_files_and_no_permission_is_asked(site, shots):
    start = len(site.asked)
    page = Page(site.url, before=ASKING).started()
    try:
        loaded = page.requests()
        page.click(GIOCA)
        page.type('x')
        page.click(AVANTI)
        page.click(ISTRUZIONI)
        page.window(INSTRUCTIONS_CAPTION)
        time.sleep(1.5)
        later = page.requests()
        # The browser's own pages (chrome://) are no request of the page's.
        foreign = [u for u in loaded + later
                   if u.startswith(('http:', 'https:', 'ws:', 'wss:', 'ftp:')) and not u.startswith(site.url)]
        assert not foreign, f'the page asked for {foreign}'
        assert not [u for u in later if not u.startswith(('data:', 'blob:'))], \
            f'the page asked for {later} once loaded'
        asked = set(site.asked[start:])
        assert asked <= SITE_FILES, f'asked for {asked - SITE_FILES}'
        print(f'  asked for: {sorted(asked)}')
        permissions = page.js('return window.__asked')
        assert permissions == [], f'the page asked the player for {permissions}'
    finally:
        page.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--site', required=True, type=pathlib.Path)
    parser.add_argument('--screenshots', required=True, type=pathlib.Path)
    parser.add_argument('checks', nargs='*')
    arguments = parser.parse_args()
    arguments.screenshots.mkdir(parents=True, exist_ok=True)
    site = Site(arguments.site)
    failed = []
    try:
        for function in CHECKS:
            if arguments.checks and function.__name__ not in arguments.checks:
                continue
            started = time.monotonic()
            try:
                function(site, arguments.screenshots)
                print(f'PASS   : {function.__name__} ({time.monotonic() - started:.1f} s)')
            except Exception:
                failed.append(function.__name__)
                print(f'FAIL!  : {function.__name__}')
                traceback.print_exc(file=sys.stdout)
            sys.stdout.flush()
    finally:
        site.close()
    print(f'Totals: {len(CHECKS) - len(failed) if not arguments.checks else "?"} passed, {len(failed)} failed')
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
