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
import collections
import contextlib
import functools
import gzip
import hashlib
import http.server
import io
import json
import pathlib
import re
import shutil
import subprocess
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
# What the site serves; beside each file that compresses lie its .gz and .br copies.
SERVED = ('index.html', 'girolettera.js', 'girolettera.wasm', 'qtloader.js', 'girolettera.webmanifest',
          'service-worker.js', 'girolettera-192.png', 'girolettera-512.png', 'girolettera-maskable-512.png',
          'girolettera-start.png')
COMPRESSED = tuple(f for f in SERVED if not f.endswith('.png'))
SITE_FILES = {'/'} | {f'/{f}' for f in SERVED}
# A phone's browser, as Qt's web platform tells one apart.
ANDROID = ('Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) '
           'Chrome/156.0.0.0 Mobile Safari/537.36')
RETRY = 'RIPROVA LA PROSSIMA VOLTA!!!'


def twips(*values):
    return tuple(v // 15 for v in values)


# Places in the main window, in its own pixels: (left, top, width, height).
GIOCA = twips(2160, 120, 975, 375)
AVANTI = twips(4680, 5040, 1095, 375)
ESCI = twips(240, 5040, 855, 375)
ISTRUZIONI = twips(240, 120, 1335, 735)
TORNA = twips(2880, 7680, 1335, 375)  # the instructions' return button
ANSWER_BOX = twips(1440, 5280, 3015, 285)
QUESTION_BOX = twips(480, 4320, 5055, 525)
TIME_BOX = twips(4080, 840, 1215, 285)
# The discs' places, letter by letter, A to Z.
DISC_PLACES = ((960, 1320), (960, 1800), (960, 2280), (960, 2760), (960, 3240), (1440, 3240),
               (1920, 3240), (1920, 2760), (1920, 2280), (1920, 1800), (2160, 1320), (2640, 1320),
               (2880, 1800), (2880, 2280), (2880, 2760), (2880, 3240), (3360, 3240), (3840, 3240),
               (3840, 2760), (3840, 2280), (3840, 1800))


GAME_SIZE = (401, 381)
INSTRUCTIONS_SIZE = (469, 540)
DESIGN_SIZES = {CAPTION: GAME_SIZE, INSTRUCTIONS_CAPTION: INSTRUCTIONS_SIZE}
# What a computer's page keeps round its windows, in its own pixels.
MARGIN = 8


def disc(k):
    return twips(*DISC_PLACES[k - 1], 495, 495)


DISC_A = disc(1)
DISC_B = disc(2)

RED = (255, 0, 0)
YELLOW = (255, 255, 0)


def centre(box):
    left, top, width, height = box
    return left + width / 2, top + height / 2


# A node of the page's accessibility tree, as a screen reader meets it.
Control = collections.namedtuple('Control', 'role name value properties')


class Site:
    """The site on 127.0.0.1, on a free port; `asked` is every path asked for, in order. While
    `program` is cleared, the program is held back: a request for it waits."""

    def __init__(self, folder):
        self.asked = []
        self.folder = folder  # may change: a new build of the site
        self.program = threading.Event()
        self.program.set()
        site = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                              '.wasm': 'application/wasm', '.webmanifest': 'application/manifest+json'}

            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=str(site.folder), **kwargs)

            def log_message(self, *args):
                pass

            def do_GET(self):
                site.asked.append(self.path.split('?')[0])
                if self.path.split('?')[0].endswith('.wasm'):
                    site.program.wait(120)
                super().do_GET()

        self.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
        self.url = f'http://127.0.0.1:{self.server.server_address[1]}/'
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class Page:
    """One browser with the game's page loaded, and what a player does and sees there."""

    def __init__(self, url, *, mobile=None, touch=False, throttle=None, before=None, agent=None, profile=None):
        # A profile of the caller's is a browser that has visited before; it stays.
        self.own_profile = profile is None
        self.profile = profile or tempfile.mkdtemp(prefix='giro-chromium-')
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
        if agent:
            options.add_argument(f'--user-agent={agent}')
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
        if self.own_profile:
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
        """Waits for the game's window and its first frame, which takes the place of the
        page's picture of the game."""
        self.window(CAPTION)
        self.wait('the first frame', lambda: self.colour(centre(GIOCA)) != (0, 0, 0))
        self.wait('the picture to give way', lambda: self.js('return !document.getElementById("anteprima")'))
        time.sleep(0.3)
        return self

    def at(self, point, caption=CAPTION):
        """Where a point of a window, in the window's own pixels, lies in the page: a computer's
        page scales the windows to its size."""
        inside = self.window(caption)['inside']
        scale = (inside['right'] - inside['left']) / DESIGN_SIZES[caption][0]
        return inside['left'] + point[0] * scale, inside['top'] + point[1] * scale

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

    def key(self, key, code, key_code, text=None, modifiers=0):
        for kind in ('keyDown', 'keyUp'):
            params = dict(type=kind, key=key, code=code, windowsVirtualKeyCode=key_code, modifiers=modifiers)
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

    def disc_share(self, box, colour, shot):
        """The share of a disc's square that shows `colour`: a disc in a state shows its
        colour round the mark and the letter drawn on it, over a fifth of its square, and no
        other disc shows it at all."""
        picture = shot.crop(self.device_box(box, shot))
        return sum(count for count, pixel in picture.getcolors(picture.width * picture.height)
                   if pixel == colour) / (picture.width * picture.height)

    def disc_is(self, box, colour, shot):
        return self.disc_share(box, colour, shot) > 1 / 5

    def device_box(self, box, shot):
        scale = shot.width / self.js('return window.innerWidth')
        x, y = self.at(box[:2])
        right, bottom = self.at((box[0] + box[2], box[1] + box[3]))
        return (int(x * scale), int(y * scale), int(right * scale), int(bottom * scale))

    def box_image(self, box, shot=None):
        shot = shot or self.screenshot()
        return shot.crop(self.device_box(box, shot)).tobytes()

    def announced(self, selector='#annuncio'):
        """What the page's live region (or another element) says, as Chromium's accessibility
        tree has it: its role and its text."""
        document = self.cdp('DOM.getDocument', depth=0)['root']['nodeId']
        node = self.cdp('DOM.querySelector', nodeId=document, selector=selector)['nodeId']
        backend = self.cdp('DOM.describeNode', nodeId=node)['node']['backendNodeId']
        tree = {n['nodeId']: n for n in self.cdp('Accessibility.getFullAXTree')['nodes']}
        region = next(n for n in tree.values() if n.get('backendDOMNodeId') == backend)

        def texts(n):
            if n.get('role', {}).get('value') in ('StaticText', 'InlineTextBox'):
                return [n.get('name', {}).get('value', '')] if n['role']['value'] == 'StaticText' else []
            return [t for c in n.get('childIds', []) if c in tree for t in texts(tree[c])]

        return region.get('role', {}).get('value'), ''.join(texts(region))

    def controls(self):
        """What a screen reader meets in the page, as Chromium's accessibility tree gives it:
        every node it does not skip, with its properties (focused, disabled, readonly …)."""
        found = []
        for node in self.cdp('Accessibility.getFullAXTree')['nodes']:
            if node.get('ignored'):
                continue
            value = lambda key: str(node.get(key, {}).get('value', ''))
            properties = {p['name']: p['value'].get('value') for p in node.get('properties', [])}
            found.append(Control(value('role'), value('name'), value('value'), properties))
        return found

    def control(self, role, name):
        return next((c for c in self.controls() if c.role == role and c.name == name), None)

    def focused_control(self):
        """The control a screen reader says has the keyboard."""
        return next((c for c in self.controls() if c.properties.get('focused') and c.role != 'RootWebArea'), None)

    def focused(self):
        """The element that has the page's keyboard, through the windows' shadow trees, and
        whether it brings up an on-screen keyboard (a text field, or an editable element that
        does not ask for none)."""
        return self.js('''
            let e = document.activeElement;
            while (e && e.shadowRoot && e.shadowRoot.activeElement) e = e.shadowRoot.activeElement;
            if (!e) return null;
            const keyboard = e.tagName === 'INPUT' || e.tagName === 'TEXTAREA'
                             || (e.isContentEditable && e.inputMode !== 'none');
            return {tag: e.tagName, keyboard,
                    attributes: Object.fromEntries([...e.attributes].map(a => [a.name, a.value]))};''')

    def answer_box_text(self):
        """What the answer box holds, as a screen reader reads it."""
        return self.control('textbox', 'Risposta').value

    def keyboard(self, steps):
        """Plays a phone keyboard's steps into the focused field with Chrome's own input
        commands: ('compose', text, (start, end) or None) sets the composition, replacing the
        range given of the field's text; ('commit', text) commits; ('backspace',) deletes."""
        for step in steps:
            if step[0] == 'compose':
                _, text, replaced = step
                params = dict(text=text, selectionStart=len(text), selectionEnd=len(text))
                if replaced:
                    params.update(replacementStart=replaced[0], replacementEnd=replaced[1])
                self.cdp('Input.imeSetComposition', **params)
            elif step[0] == 'commit':
                self.cdp('Input.insertText', text=step[1])
            else:
                self.key('Backspace', 'Backspace', 8)
            time.sleep(0.1)
        time.sleep(0.3)

    def viewport(self):
        """The page's layout and what of it the browser shows, in the page's pixels."""
        return self.js('''return {width: innerWidth, height: innerHeight, scrollX, scrollY,
                                    scale: visualViewport.scale, left: visualViewport.offsetLeft,
                                    top: visualViewport.offsetTop, visibleWidth: visualViewport.width,
                                    visibleHeight: visualViewport.height, layout: document.documentElement.scrollWidth}''')

    def emulate(self, width, height, scale=2, mobile=True):
        self.cdp('Emulation.setDeviceMetricsOverride', width=width, height=height, deviceScaleFactor=scale, mobile=mobile)
        time.sleep(1)

    def in_sight(self, box):
        """Whether a place of the main window lies wholly in what the browser shows."""
        x, y = self.at(box[:2])
        v = self.viewport()
        return (v['left'] - 0.5 <= x and x + box[2] <= v['left'] + v['visibleWidth'] + 0.5
                and v['top'] - 0.5 <= y and y + box[3] <= v['top'] + v['visibleHeight'] + 0.5)

    def canvas_pixels(self, caption=CAPTION):
        """A window's drawing: its pixels across, and the screen pixels it covers across."""
        return self.js('''
            const w = [...document.getElementById('qt-shadow-container').shadowRoot.querySelectorAll('.qt-window')]
                .find(w => (w.querySelector('.window-name')?.textContent ?? '') === arguments[0]);
            const canvas = w.querySelector('canvas');
            return [canvas.width, canvas.getBoundingClientRect().width * visualViewport.scale * devicePixelRatio];''',
            caption)

    def requests(self):
        """Every address the page asked for since the last call."""
        urls = []
        for entry in self.driver.get_log('performance'):
            message = json.loads(entry['message'])['message']
            if message['method'] == 'Network.requestWillBeSent':
                urls.append(message['params']['request']['url'])
        return urls


def fits_the_page(page, captions, quiet=False):
    """Checks that the windows named lie as a computer's page lays them out: each whole in the
    page, scaled evenly from its design size, all at one scale and none smaller than its size,
    drawn at the pixels it covers; and together as large as the page takes them, so that on the
    side that bounds them only the margin is left. Returns the scale; with quiet, False where a
    window is not so laid out (yet)."""
    try:
        width, height = page.js('return [innerWidth, innerHeight]')
        shown = [page.window(caption, timeout=5) for caption in captions]
        scales = []
        for caption, window in zip(captions, shown):
            inside, frame = window['inside'], window['frame']
            design = DESIGN_SIZES[caption]
            across = (inside['right'] - inside['left']) / design[0]
            down = (inside['bottom'] - inside['top']) / design[1]
            assert abs(across - down) * design[1] < 1.5, f'"{caption}" is scaled {across:.3f} across, {down:.3f} down'
            assert (frame['left'] >= -0.5 and frame['top'] >= -0.5 and frame['right'] <= width + 0.5
                    and frame['bottom'] <= height + 0.5), f'"{caption}" is not whole in the page: {frame}'
            drawn, covered = page.canvas_pixels(caption)
            assert abs(drawn - covered) <= 1, f'"{caption}" is drawn at {drawn} pixels across for {covered}'
            scales.append(across)
        assert max(scales) - min(scales) < 0.005, f'the windows are at different scales: {scales}'
        assert min(scales) >= 1, f'on a page of {width} x {height} the windows are at {scales[0]:.3f}'
        frames = [w['frame'] for w in shown]
        across = (min(f['left'] for f in frames), width - max(f['right'] for f in frames))
        down = (min(f['top'] for f in frames), height - max(f['bottom'] for f in frames))
        assert any(all(MARGIN - 1 <= gap <= MARGIN + 1 for gap in gaps) for gaps in (across, down)), \
            f'on a page of {width} x {height} the windows at {scales[0]:.3f} leave {across} across, {down} down'
        return scales[0]
    except AssertionError:
        if quiet:
            return False
        raise


def fitted(page, captions, timeout=5):
    """fits_the_page, once the page has had a few seconds to lay the windows out afresh."""
    end = time.monotonic() + timeout
    while time.monotonic() < end and not fits_the_page(page, captions, quiet=True):
        time.sleep(0.1)
    return fits_the_page(page, captions)


def instructions_lie(page):
    """Whether the instructions lie beside the game or over it (covering it whole)."""
    game, other = page.window(CAPTION)['frame'], page.window(INSTRUCTIONS_CAPTION)['frame']
    if other['left'] >= game['right'] or other['right'] <= game['left']:
        return 'beside'
    if (other['left'] <= game['left'] + 0.5 and other['right'] >= game['right'] - 0.5
            and other['top'] <= game['top'] + 0.5 and other['bottom'] >= game['bottom'] - 0.5):
        return 'over'
    return f'partly over: {game}, {other}'


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


# The roles a screen reader offers to act on.
CONTROL_ROLES = {'button', 'checkbox', 'combobox', 'link', 'listbox', 'menuitem', 'radio', 'slider',
                 'spinbutton', 'switch', 'tab', 'textbox'}


@check
def the_game_shows_as_a_picture_while_the_program_loads(site, shots):
    """While the program is held back, the page shows a picture of the game where the game will
    be, with the loading line: no control for a screen reader, which hears that the game is
    loading, and a tap on GIOCA's place in it presses nothing. The game takes its place without
    moving, the picture goes, and the game plays."""
    for name, mobile in (('desktop', None), ('phone', (360, 740, 3))):
        site.program.clear()
        page = Page(site.url, mobile=mobile, agent=ANDROID if mobile else None)
        try:
            place = page.wait('the picture of the game', lambda: page.js('''
                const p = document.getElementById('anteprima');
                if (!p || p.hidden || !p.complete || !p.naturalWidth) return null;
                const r = p.getBoundingClientRect();
                return {left: r.left, top: r.top, width: r.width, height: r.height};'''), 20)
            assert page.windows() == [], 'the game ran with its program held back'
            loading = page.js('return document.getElementById("stato").textContent')
            assert loading.startswith('Caricamento del gioco'), loading
            nodes = [n for n in page.cdp('Accessibility.getFullAXTree')['nodes'] if not n.get('ignored')]
            roles = {n.get('role', {}).get('value') for n in nodes}
            assert not roles & CONTROL_ROLES, f'a reader finds {roles & CONTROL_ROLES} while the game loads'
            assert not roles & {'image', 'img'}, 'a reader finds the picture'
            heard = page.announced('#stato')
            assert heard[0] == 'status' and heard[1].startswith('Caricamento del gioco'), heard
            page.save(shots, f'{name}-loading')
            # A tap on GIOCA in the picture, then the program.
            x, y = place['left'] + centre(GIOCA)[0] * place['width'] / GAME_SIZE[0], \
                place['top'] + centre(GIOCA)[1] * place['height'] / GAME_SIZE[1]
            if mobile:
                page.cdp('Input.dispatchTouchEvent', type='touchStart', touchPoints=[{'x': x, 'y': y}])
                page.cdp('Input.dispatchTouchEvent', type='touchEnd', touchPoints=[])
            else:
                for kind in ('mousePressed', 'mouseReleased'):
                    page.cdp('Input.dispatchMouseEvent', type=kind, x=x, y=y, button='left',
                             buttons=1 if kind == 'mousePressed' else 0, clickCount=1)
            site.program.set()
            page.started()
            inside = page.window(CAPTION)['inside']
            moved = max(abs(inside['left'] - place['left']), abs(inside['top'] - place['top']),
                        abs(inside['right'] - place['left'] - place['width']),
                        abs(inside['bottom'] - place['top'] - place['height']))
            assert moved <= 0.5, f'the game is at {inside}, its picture was at {place}'
            time.sleep(0.5)
            assert not page.announced()[1].startswith('Lettera'), 'the tap on the picture pressed GIOCA'
            # The game plays as ever.
            if mobile:
                page.tap(GIOCA)
                page.keyboard([('commit', 'x')])
                page.tap(AVANTI)
            else:
                page.click(GIOCA)
                page.type('x')
                page.click(AVANTI)
            said = page.wait('the verdict', lambda: (t := page.announced()[1]).startswith('A, ') and t)
            assert said.startswith('A, sbagliata. Lettera B. '), said
            print(f'  {name}: the picture at {place["left"]:.0f},{place["top"]:.0f} '
                  f'{place["width"]:.0f}x{place["height"]:.0f}, the game in its place')
        finally:
            site.program.set()
            page.close()
    # A page that asks for dark colours gets the game in dark ones, which the picture has not:
    # it loads without it.
    site.program.clear()
    page = Page('about:blank')
    try:
        page.cdp('Emulation.setEmulatedMedia', features=[{'name': 'prefers-color-scheme', 'value': 'dark'}])
        page.driver.get(site.url)
        page.wait('the loading line', lambda: page.js('return document.getElementById("stato").textContent'))
        assert page.js('return !document.getElementById("anteprima")'), 'a dark page shows the light picture'
        site.program.set()
        page.started()
    finally:
        site.program.set()
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
        assert page.disc_is(DISC_A, RED, shot), page.disc_share(DISC_A, RED, shot)
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
def instructions_open_beside_or_over_the_game_and_the_clock_goes_on(site, shots):
    page = Page(site.url).started()
    try:
        # A page too narrow for both at a readable size: the instructions over the game, as
        # large as they fit, and "Torna al gioco" brings the game back at its own size.
        page.emulate(1024, 768, scale=1, mobile=False)
        alone = fitted(page, [CAPTION])
        page.click(GIOCA)
        page.click(ISTRUZIONI)
        over = fitted(page, [CAPTION, INSTRUCTIONS_CAPTION])
        assert instructions_lie(page) == 'over', instructions_lie(page)
        page.save(shots, 'desktop-instructions-over')
        page.click(TORNA, INSTRUCTIONS_CAPTION)
        page.wait('the instructions to close', lambda: len(page.windows()) == 1)
        back = fitted(page, [CAPTION])
        assert abs(back - alone) < 0.005, f'the game came back at {back:.3f}, not {alone:.3f}'
        # A page wide enough: beside the game, both at 1.5 times their size at least.
        page.emulate(1920, 1080, scale=1, mobile=False)
        fitted(page, [CAPTION])
        page.click(ISTRUZIONI)
        beside = fitted(page, [CAPTION, INSTRUCTIONS_CAPTION])
        assert instructions_lie(page) == 'beside' and beside >= 1.5, (instructions_lie(page), beside)
        bar = title_bar(page, INSTRUCTIONS_CAPTION)
        assert bar['buttons'] == 2, f"the instructions' title bar shows {bar['buttons']} buttons, not its icon and close"
        before = page.box_image(TIME_BOX)
        page.save(shots, 'desktop-instructions')
        time.sleep(2.2)
        assert page.box_image(TIME_BOX) != before, 'the clock stopped while the instructions were open'
        print(f'  1024 x 768: the game at {alone:.3f}, the instructions over it at {over:.3f}; '
              f'1920 x 1080: the instructions beside it at {beside:.3f}')
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


# The keys a player of the game presses besides typing: (key, code, virtual key code, text).
TAB = ('Tab', 'Tab', 9)
SPACE = (' ', 'Space', 32, ' ')
ENTER = ('Enter', 'Enter', 13, '\r')
SHIFT = 8  # the modifiers' bit of Shift


def focus_moves(page, key, modifiers=0):
    """Presses a key and returns what a screen reader then says has the keyboard."""
    before = page.focused_control()
    page.key(*key, modifiers=modifiers)
    return page.wait(f'the keyboard to move from {before}',
                     lambda: (c := page.focused_control()) and c != before and c, timeout=5)


@check
def screen_reader_meets_every_control_named_and_in_the_games_order(site, shots):
    """With nothing pressed first, a screen reader finds the game's controls in the page as
    what they are, named as on the desktop, with their states and values as the game changes
    them; the page's keyboard goes where the game's does, Tab by Tab in the game's order, Space
    presses the focused button, and after GIOCA and AVANTI the answer box has the keyboard."""
    page = Page(site.url).started()
    try:
        assert page.js('return document.documentElement.translate') is False, 'the page may be translated'
        page.wait('the mirror of the window', lambda: page.control('button', 'GIOCA'))
        controls = page.controls()
        named = {(c.role, c.name): c for c in controls}
        for role, name in (('button', 'GIOCA'), ('button', 'AVANTI'), ('button', 'ESCI'),
                           ('button', INSTRUCTIONS_CAPTION), ('textbox', 'Domanda'), ('textbox', 'Punteggio'),
                           ('textbox', 'Tempo'), ('textbox', 'Risposta'), ('heading', CAPTION.rstrip())):
            assert (role, name) in named, f'no {role} "{name}" in {sorted(named)}'
        assert named[('button', 'AVANTI')].properties.get('disabled'), 'AVANTI is not marked disabled before GIOCA'
        assert not named[('button', 'GIOCA')].properties.get('disabled')
        assert named[('textbox', 'Punteggio')].value == '0' and named[('textbox', 'Tempo')].value == '160'
        assert all(named[('textbox', box)].properties.get('readonly') for box in ('Domanda', 'Punteggio', 'Tempo'))
        assert not named[('textbox', 'Risposta')].properties.get('readonly')
        texts = {c.name for c in controls if c.role == 'StaticText'}
        discs = {f'{letter}, da giocare' for letter in 'ABCDEFGHILMNOPQRSTUVZ'}
        assert {'PUNTEGGIO', 'TEMPO', 'LETTERA', 'DOMANDA', 'RISPOSTA'} | discs <= texts, texts
        assert not any(c.role == 'textbox' and c.name in {'PUNTEGGIO', 'A, da giocare'} for c in controls)
        assert not any('lettore di schermo' in c.name or 'Screen Reader' in c.name for c in controls)
        # A reader that explores by touch finds each control where the page shows it.
        for name, box in (('GIOCA', GIOCA), ('AVANTI', AVANTI), ('ESCI', ESCI), ('Risposta', ANSWER_BOX)):
            shown = page.js('''const e = [...document.getElementById("qt-shadow-container").shadowRoot
                                .querySelectorAll(".giro-mirror button, .giro-mirror [role=textbox]")]
                                .find(e => (e.textContent || e.getAttribute("aria-label")) === arguments[0]);
                                const r = e.getBoundingClientRect(); return [r.left, r.top, r.width, r.height];''', name)
            left, top = page.at(box[:2])
            right, bottom = page.at((box[0] + box[2], box[1] + box[3]))
            assert all(abs(a - b) < 1.5 for a, b in zip(shown, (left, top, right - left, bottom - top))), (name, shown)
        first = page.wait('the keyboard on the clue box', page.focused_control)
        assert (first.role, first.name) == ('textbox', 'Domanda'), first

        # Tab goes round the game's order, AVANTI skipped while it is disabled; Shift+Tab back.
        order = [('textbox', 'Risposta'), ('button', 'ESCI'), ('button', 'GIOCA'), ('textbox', 'Punteggio'),
                 ('textbox', 'Tempo'), ('button', INSTRUCTIONS_CAPTION), ('textbox', 'Domanda')]
        heard = [(c.role, c.name) for c in (focus_moves(page, TAB) for _ in order)]
        assert heard == order, heard
        heard = [(c.role, c.name) for c in (focus_moves(page, TAB, SHIFT) for _ in range(4))]
        assert heard == order[-2::-1][:4], heard
        print(f'  Tab: {" → ".join(name for _, name in order)}')

        focused = focus_moves(page, SPACE)
        assert (focused.role, focused.name) == ('textbox', 'Risposta'), focused
        said = page.wait('the clue', lambda: page.announced()[1])
        clue = said.removeprefix('Lettera A. ')
        page.wait('the clue in the clue box', lambda: page.control('textbox', 'Domanda').value == clue)
        assert page.control('button', 'GIOCA').properties.get('disabled'), 'GIOCA is not marked disabled in play'
        assert not page.control('button', 'AVANTI').properties.get('disabled')

        page.type('x')
        page.wait('the typing in the answer box', lambda: page.answer_box_text() == 'x', timeout=5)
        assert focus_moves(page, TAB, SHIFT).name == 'Domanda'
        assert focus_moves(page, TAB, SHIFT).name == 'AVANTI'
        focused = focus_moves(page, SPACE)
        assert (focused.role, focused.name) == ('textbox', 'Risposta'), focused
        said = page.wait('the verdict', lambda: (t := page.announced()[1]).startswith('A, ') and t)
        assert said.startswith('A, sbagliata. Lettera B. '), said
        page.wait('the disc A read as wrong', lambda: page.control('StaticText', 'A, sbagliata'))
        assert page.answer_box_text() == '' and page.control('textbox', 'Punteggio').value == '0'
        page.wait('the clock read as going on', lambda: int(page.control('textbox', 'Tempo').value) < 160)
        print(f'  after GIOCA and AVANTI the keyboard is on "Risposta"; said {said!r}')
    finally:
        page.close()


@check
def screen_readers_own_moves_reach_the_game(site, shots):
    """A reader's own moves: its click on a button presses it once, as Enter on the focused
    button does; moving the keyboard to a control in browse mode moves the game's focus there
    for good, and the reader's keys then type nothing into the answer; what the player types
    is read as text, never as markup."""
    page = Page(site.url).started()
    try:
        mirrored = 'document.getElementById("qt-shadow-container").shadowRoot.querySelector(".giro-mirror")'
        press = lambda name: page.js(f'''[...{mirrored}.querySelectorAll("button")]
                                         .find(b => b.textContent === arguments[0]).click()''', name)
        page.wait('the mirror of the window', lambda: page.control('button', 'GIOCA'))
        press('GIOCA')
        page.wait('the keyboard on the answer box', lambda: getattr(page.focused_control(), 'name', '') == 'Risposta')
        typed = '<img src=x onerror="document.title=1">'
        page.type(typed)
        page.wait('the typing, as it was typed', lambda: page.answer_box_text() == typed, timeout=5)
        page.js(f'[...{mirrored}.querySelectorAll("button")].find(b => b.textContent === "AVANTI").focus()')
        time.sleep(0.5)
        focused = page.focused_control()
        assert (focused.role, focused.name) == ('button', 'AVANTI'), f'the keyboard went back to {focused}'
        page.type('b')
        assert page.answer_box_text() == typed, page.answer_box_text()
        page.key(*ENTER)
        page.wait('the verdict', lambda: page.control('StaticText', 'A, sbagliata'))
        time.sleep(0.5)
        assert page.control('StaticText', 'B, da giocare'), 'Enter pressed AVANTI twice'
        images = page.js(f'return {mirrored}.querySelectorAll("img").length')
        assert images == 0 and page.driver.title == 'GIROLETTERA', 'the typing went into the page as markup'
        press('AVANTI')
        page.wait('the second verdict', lambda: page.control('StaticText', 'B, sbagliata'))
        time.sleep(0.5)
        assert page.control('StaticText', 'C, da giocare'), "the reader's click pressed AVANTI twice"
    finally:
        page.close()


@check
def screen_reader_reads_the_instructions_by_line_and_paragraph(site, shots):
    """The instructions window as a reader meets it: headed by its caption, each of its two
    texts a named page holding one paragraph per line, which the keyboard reaches from the
    window and by Tab (not Qt's typing field, whose text a reader reads a paragraph at a
    time), the photograph by its name and the return button, which closes the window and gives
    the keyboard back to the game's button."""
    page = Page(site.url).started()
    try:
        page.wait('the mirror of the window', lambda: page.control('button', INSTRUCTIONS_CAPTION))
        for _ in range(6):
            if page.focused_control().name == INSTRUCTIONS_CAPTION:
                break
            focus_moves(page, TAB)
        focused = focus_moves(page, SPACE)
        page.window(INSTRUCTIONS_CAPTION)
        assert (focused.role, focused.name) == ('article', 'Istruzioni'), focused
        assert page.control('heading', INSTRUCTIONS_CAPTION), 'the instructions window has no heading'
        assert page.control('image', "Foto dell'autore") and page.control('button', 'Torna al gioco')
        lines = page.js('''
            const mirror = [...document.getElementById("qt-shadow-container").shadowRoot.querySelectorAll(".giro-mirror")]
            return Object.fromEntries([...mirror.flatMap(m => [...m.querySelectorAll("[role=article]")])]
                                      .map(box => [box.getAttribute("aria-label"),
                                                   [...box.querySelectorAll("p")].map(p => p.textContent)]));''')
        assert lines['Istruzioni'][0] == 'ISTRUZIONI:' and len(lines['Istruzioni']) == 22, lines['Istruzioni']
        assert lines['Informazioni'][-1] == 'CIAO E BUON DIVERTIMENTO!' and len(lines['Informazioni']) == 13, lines
        texts = [c.name for c in page.controls() if c.role == 'StaticText']
        assert 'Per iniziare cliccare ' in texts or 'Per iniziare cliccare' in texts, texts
        assert focus_moves(page, TAB).name == 'Informazioni'
        assert focus_moves(page, TAB).name == 'Torna al gioco'
        focused = focus_moves(page, SPACE)
        assert (focused.role, focused.name) == ('button', INSTRUCTIONS_CAPTION), focused
        print(f'  the instructions: {len(lines["Istruzioni"])} and {len(lines["Informazioni"])} paragraphs')
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


# A phone keyboard's typing into the answer box, each beside what a plain text field of a page
# ends holding after the same steps: the answer box must hold the same.
KEYBOARD_TYPING = [
    ('a word composed and committed', [('compose', 'avo', None), ('compose', 'avocado', None),
                                       ('commit', 'avocado')]),
    ('another word committed than composed', [('compose', 'avoc', None), ('commit', 'avocad')]),
    ('a word typed, then replaced by the keyboard', [('compose', 'avocad', None), ('commit', 'avocad'),
                                                   ('compose', 'avocado', (0, 6)), ('commit', 'avocado')]),
    ('the second word replaced', [('commit', 'casa'), ('commit', ' '), ('compose', 'bianc', None),
                                  ('commit', 'bianc'), ('compose', 'bianca', (5, 10)), ('commit', 'bianca')]),
    ('Backspace inside a composition', [('compose', 'sak', None), ('compose', 'sa', None), ('backspace',),
                                        ('compose', 'sakè', None), ('commit', 'sakè')]),
    ('accented letters committed whole', [('commit', 'niccolò'), ('commit', ' '), ('commit', 'sakè')]),
]


def plain_field_after(page, steps):
    page.js("""const i = document.createElement('input'); i.id = 'campione'; document.body.append(i);
               i.focus();""")
    page.keyboard(steps)
    return page.js("const i = document.getElementById('campione'); const v = i.value; i.remove(); return v;")


@check
def phone_keyboard_types_what_a_page_field_would_hold(site, shots):
    page = Page(site.url, mobile=(412, 915, 2), agent=ANDROID).started()
    try:
        expectations = [plain_field_after(page, steps) for _, steps in KEYBOARD_TYPING]
        page.tap(GIOCA)
        for (name, steps), expected in zip(KEYBOARD_TYPING, expectations):
            page.tap(ANSWER_BOX)
            page.keyboard(steps)
            held = page.wait(f'the answer box after "{name}"',
                             lambda: (t := page.answer_box_text()) == expected and t, timeout=5)
            print(f'  {name}: {held!r}, as a page\'s field')
            page.tap(AVANTI)
        # A passing word, typed short and then completed by the keyboard, passes the letter.
        page.tap(ANSWER_BOX)
        page.keyboard([('compose', 'girolett', None), ('commit', 'girolett'),
                       ('compose', 'girolettera', (0, 8)), ('commit', 'girolettera')])
        page.tap(AVANTI)
        letter = disc(len(KEYBOARD_TYPING) + 1)
        shot = page.save(shots, 'phone-keyboard-replaced')
        assert page.disc_is(letter, YELLOW, shot), page.disc_share(letter, YELLOW, shot)
    finally:
        page.close()


@check
def phone_keyboard_is_asked_for_no_help(site, shots):
    page = Page(site.url, mobile=(412, 915, 2), agent=ANDROID).started()
    try:
        page.tap(GIOCA)
        field = page.focused()
        assert field['keyboard'], f'after GIOCA the page focused {field}'
        wanted = {'autocapitalize': 'off', 'autocorrect': 'off', 'autocomplete': 'off',
                  'spellcheck': 'false', 'writingsuggestions': 'false'}
        got = {name: field['attributes'].get(name) for name in wanted}
        assert got == wanted, got
    finally:
        page.close()


@check
def a_tap_on_a_button_brings_up_no_keyboard(site, shots):
    for button, name in ((ISTRUZIONI, 'Istruzioni'), (ESCI, 'ESCI')):
        page = Page(site.url, mobile=(412, 915, 2), agent=ANDROID).started()
        try:
            page.tap(GIOCA)
            assert page.focused()['keyboard'], 'GIOCA did not give the answer box the keyboard'
            page.keyboard([('commit', 'x')])
            page.tap(AVANTI)
            assert page.focused()['keyboard'], 'AVANTI did not give the answer box the keyboard'
            page.tap(button)
            time.sleep(0.5)
            field = page.focused()
            assert not field or not field['keyboard'], f'after a tap on {name} the page focused {field}'
        finally:
            page.close()


def phone_game_is_whole_and_large(page, shots, name):
    v = page.viewport()
    game = page.window(CAPTION)
    frame = game['frame']
    scale = (game['inside']['right'] - game['inside']['left']) * v['scale'] / GAME_SIZE[0]
    assert v['layout'] <= v['width'] + 0.5, f'the page scrolls sideways: {v}'
    assert (frame['left'] >= -0.5 and frame['right'] <= v['visibleWidth'] + 0.5
            and frame['top'] >= -0.5 and frame['bottom'] <= v['visibleHeight'] + 0.5), (frame, v)
    drawn, covered = page.canvas_pixels()
    assert abs(drawn - covered) <= 1, f'the game is drawn at {drawn} pixels across for {covered} on the screen'
    page.save(shots, name)
    return scale


@check
def phone_fills_its_screen_with_the_game(site, shots):
    page = Page(site.url, mobile=(360, 740, 2), agent=ANDROID).started()
    try:
        upright = phone_game_is_whole_and_large(page, shots, 'phone-ready')
        assert upright >= 0.87, f'the game is shown at {upright:.3f} of its size on a 360-pixel phone'
        title = page.js("""return [...document.getElementById('qt-shadow-container').shadowRoot
                                .querySelectorAll('.title-bar')].filter(t => t.offsetHeight > 0).length""")
        assert title == 0, 'a window shows a desktop title bar on the phone'
        page.tap(GIOCA)
        page.keyboard([('commit', 'x')])
        page.tap(AVANTI)
        shot = page.save(shots, 'phone-answered')
        assert page.disc_is(DISC_A, RED, shot), 'disc A did not turn red on the phone'
        # The instructions, over the game and whole on the screen, then back to the game.
        page.tap(ISTRUZIONI)
        other = page.window(INSTRUCTIONS_CAPTION)
        time.sleep(1)
        other = page.window(INSTRUCTIONS_CAPTION)
        v = page.viewport()
        assert (other['frame']['left'] >= -0.5 and other['frame']['right'] <= v['visibleWidth'] + 0.5
                and other['frame']['bottom'] <= v['visibleHeight'] + 0.5), (other['frame'], v)
        drawn, covered = page.canvas_pixels(INSTRUCTIONS_CAPTION)
        assert abs(drawn - covered) <= 1, f'the instructions are drawn at {drawn} pixels for {covered}'
        page.save(shots, 'phone-instructions')
        x, y = page.at(centre(TORNA), INSTRUCTIONS_CAPTION)
        page.cdp('Input.dispatchTouchEvent', type='touchStart', touchPoints=[{'x': x, 'y': y}])
        page.cdp('Input.dispatchTouchEvent', type='touchEnd', touchPoints=[])
        page.wait('the instructions to close', lambda: len(page.windows()) == 1)
        time.sleep(1)
        again = phone_game_is_whole_and_large(page, shots, 'phone-back-to-the-game')
        assert abs(again - upright) < 0.01, (upright, again)
        # Turned, the phone shows the whole game again.
        page.emulate(740, 360)
        time.sleep(1)
        sideways = phone_game_is_whole_and_large(page, shots, 'phone-landscape')
        # A phone a little wider than the game, whose page zooms in: still drawn at the pixels
        # it covers.
        page.emulate(412, 915, scale=2.625)
        time.sleep(1)
        wider = phone_game_is_whole_and_large(page, shots, 'phone-412')
        print(f'  360 x 740: the game at {upright:.3f} of its size; 740 x 360: at {sideways:.3f}; '
              f'412 x 915: at {wider:.3f}')
    finally:
        page.close()


@check
def phone_keyboard_never_hides_the_answer(site, shots):
    for (width, height), lowered in (((360, 740), 420), ((740, 360), 200)):
        page = Page(site.url, mobile=(width, height, 2), agent=ANDROID).started()
        try:
            page.tap(GIOCA)
            assert page.focused()['keyboard'], 'GIOCA did not give the answer box the keyboard'
            page.emulate(width, lowered)  # as an on-screen keyboard takes the rest
            page.wait('the answer box and AVANTI in sight',
                      lambda: page.in_sight(ANSWER_BOX) and page.in_sight(AVANTI), timeout=5)
            page.save(shots, f'phone-keyboard-{width}x{height}')
            page.keyboard([('commit', 'x')])
            page.tap(AVANTI)
            page.emulate(width, height)  # the keyboard gone, disc A in sight again
            assert page.disc_is(DISC_A, RED, page.screenshot()), 'AVANTI above the keyboard did not judge A'
        finally:
            page.close()


def title_bar(page, caption=CAPTION):
    """A window's title bar: a point on it clear of its buttons, and how many buttons it shows."""
    return page.js('''
        const w = [...document.getElementById('qt-shadow-container').shadowRoot.querySelectorAll('.qt-window')]
            .find(w => (w.querySelector('.window-name')?.textContent ?? '') === arguments[0]);
        const bar = w.querySelector('.title-bar');
        const r = bar.getBoundingClientRect();
        const buttons = [...bar.querySelectorAll('.image-button')].filter(b => getComputedStyle(b).display !== 'none');
        return {x: r.left + 60, y: r.top + r.height / 2, buttons: buttons.length};''', caption)


def drag(page, start, steps):
    """Drags with the mouse from `start` through each step, given from the start."""
    page.cdp('Input.dispatchMouseEvent', type='mousePressed', x=start[0], y=start[1], button='left', buttons=1,
             clickCount=1)
    for dx, dy in steps:
        page.cdp('Input.dispatchMouseEvent', type='mouseMoved', x=start[0] + dx, y=start[1] + dy, button='left',
                 buttons=1, clickCount=1)
        time.sleep(0.1)
    page.cdp('Input.dispatchMouseEvent', type='mouseReleased', x=start[0] + steps[-1][0], y=start[1] + steps[-1][1],
             button='left', buttons=0, clickCount=1)
    time.sleep(0.5)


@check
def desktop_browser_fits_the_game_to_the_page_and_refits_it(site, shots):
    page = Page(site.url).started()
    try:
        # As large as the page takes it, drawn crisp: at 1280 x 800 about 1.9 times its size,
        # refitted as the browser's window grows to 1920 x 1080 and as it zooms to 125 %.
        figures = []
        for width, height, ratio, least in ((1280, 800, 1, 1.9), (1920, 1080, 1, 2.6), (1024, 640, 1.25, 1.5)):
            page.emulate(width, height, scale=ratio, mobile=False)
            scale = fitted(page, [CAPTION])
            assert scale >= least, f'at {width} x {height} the game is at {scale:.3f} of its size'
            page.save(shots, f'desktop-{width}x{height}')
            figures.append(f'{width} x {height} at {ratio}: {scale:.3f}')
            if width == 1920:
                # The frame offers no maximise, and a double click on the title bar maximises
                # nothing either.
                bar = title_bar(page)
                assert bar['buttons'] == 2, f'the title bar shows {bar["buttons"]} buttons, not its icon and close'
                frame = page.window(CAPTION)['frame']
                for kind, count in (('mousePressed', 1), ('mouseReleased', 1),
                                    ('mousePressed', 2), ('mouseReleased', 2)):
                    page.cdp('Input.dispatchMouseEvent', type=kind, x=bar['x'], y=bar['y'], button='left',
                             buttons=1 if kind == 'mousePressed' else 0, clickCount=count)
                time.sleep(0.5)
                assert page.window(CAPTION)['frame'] == frame, 'a double click on the title bar resized the game'
                page.save(shots, 'desktop-title-bar')
                # Dragged by its title bar, the window follows the pointer, and dragged past the
                # desk's edge it comes back whole.
                drag(page, (bar['x'], bar['y']), [(-50, 0), (-100, 0)])
                moved = page.window(CAPTION)['frame']
                assert abs(moved['left'] - (frame['left'] - 100)) <= 1 and abs(moved['top'] - frame['top']) <= 1, \
                    f'dragged 100 pixels left, the game went from {frame} to {moved}'
                drag(page, (bar['x'] - 100, bar['y']), [(400, 300), (900, 700), (1500, 900)])
                moved = page.window(CAPTION)['frame']
                assert moved['right'] <= width + 0.5 and moved['bottom'] <= height + 0.5, moved
                page.save(shots, 'desktop-dragged')
        # A page smaller than the game in its frame, once Qt's text field for the keyboard lies
        # where the page no longer reaches: the game shrinks to fit it, giving up the margin
        # first, drawn crisp, and plays; the page does not scroll.
        page.click(GIOCA)
        page.type('x')
        page.emulate(380, 400, scale=1, mobile=False)
        page.wait('the game fitted to 380 x 400', lambda: (f := page.window(CAPTION)['frame'])
                  and abs(f['left']) <= 1 and abs(f['right'] - 380) <= 1, timeout=5)
        drawn, covered = page.canvas_pixels()
        assert abs(drawn - covered) <= 1, f'the game is drawn at {drawn} pixels across for {covered}'
        scrolled = page.js('''const e = document.documentElement;
                              return [scrollX, scrollY, innerWidth - e.clientWidth, innerHeight - e.clientHeight]''')
        assert scrolled == [0, 0, 0, 0], f'the page scrolls (by, and scroll bars across and down): {scrolled}'
        page.click(AVANTI)
        shot = page.save(shots, 'desktop-380x400')
        assert page.disc_is(DISC_A, RED, shot), 'on a small page AVANTI did not judge A'
        figures.append(f'380 x 400: {(drawn / GAME_SIZE[0]):.3f}')
        print(f'  the game at {"; ".join(figures)}')
    finally:
        page.close()


def kept_for_offline(page):
    """Waits until the page's service worker keeps the site and serves the page; returns the
    names of the site's caches."""
    page.driver.set_script_timeout(60)
    page.driver.execute_async_script("""const done = arguments[arguments.length - 1];
        navigator.serviceWorker.ready.then(() => done(true));""")
    page.wait('the worker to serve the page', lambda: page.js('return !!navigator.serviceWorker.controller'))
    return page.driver.execute_async_script("""const done = arguments[arguments.length - 1];
        caches.keys().then(done);""")


@check
def site_is_an_installable_app(site, shots):
    page = Page(site.url).started()
    try:
        errors = page.wait('the installability check', lambda: (r := page.cdp('Page.getInstallabilityErrors'))
                           and r, timeout=20)['installabilityErrors']
        assert errors == [], errors
        manifest = page.cdp('Page.getAppManifest')
        assert not manifest.get('errors'), manifest['errors']
        app = json.loads(manifest['data'])
        assert (app['lang'], app['display'], app['name']) == ('it', 'standalone', 'GIROLETTERA'), app
        icons = {(i['sizes'], i.get('purpose', 'any')) for i in app['icons']}
        assert {('192x192', 'any'), ('512x512', 'any'), ('512x512', 'maskable')} <= icons, icons
        assert page.js('return document.querySelector("link[rel=apple-touch-icon]")?.href') \
            .endswith('girolettera-maskable-512.png')
        print(f'  installable; manifest: {app["name"]}, {sorted(icons)}')
    finally:
        page.close()


@check
def offline_after_one_visit(site, shots):
    profile = tempfile.mkdtemp(prefix='giro-chromium-')
    try:
        page = Page(site.url, profile=profile).started()
        try:
            names = kept_for_offline(page)
            assert len(names) == 1, names
        finally:
            page.close()
        # The same browser again, with the network gone.
        page = Page('about:blank', profile=profile)
        try:
            page.cdp('Network.emulateNetworkConditions', offline=True, latency=0,
                     downloadThroughput=-1, uploadThroughput=-1)
            asked = len(site.asked)
            page.driver.get(site.url)
            page.started()
            page.click(GIOCA)
            page.type('x')
            page.click(AVANTI)
            shot = page.save(shots, 'offline-answered')
            assert page.disc_is(DISC_A, RED, shot), 'offline, AVANTI did not judge A'
            assert len(site.asked) == asked, f'offline, the server was asked for {site.asked[asked:]}'
        finally:
            page.close()
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def another_build(folder, into):
    """The site as a new build of it would be: the page changed, the worker naming the new
    build and the page's new hash."""
    shutil.copytree(folder, into)
    page = into / 'index.html'
    page.write_bytes(page.read_bytes() + b'<!-- a new build -->\n')
    worker = into / 'service-worker.js'
    text = worker.read_text()
    old_hash = hashlib.sha256((folder / 'index.html').read_bytes()).hexdigest()
    new_hash = hashlib.sha256(page.read_bytes()).hexdigest()
    old_build = re.search(r"const BUILD = '([0-9a-f]+)'", text).group(1)
    worker.write_text(text.replace(old_hash, new_hash).replace(old_build, 'f' * len(old_build)))
    return 'f' * len(old_build), old_build


@check
def a_new_build_takes_over_whole(site, shots):
    profile = tempfile.mkdtemp(prefix='giro-chromium-')
    work = pathlib.Path(tempfile.mkdtemp(prefix='giro-site-'))
    original = site.folder
    try:
        new_build, old_build = another_build(original, work / 'site')
        page = Page(site.url, profile=profile).started()
        try:
            old = kept_for_offline(page)
            assert old[0].endswith(old_build), old
        finally:
            page.close()
        site.folder = work / 'site'
        page = Page(site.url, profile=profile).started()
        try:
            names = page.wait('the new build to take over', lambda: page.driver.execute_async_script(
                """const done = arguments[arguments.length - 1];
                   caches.keys().then(k => done(k.length === 1 && k[0].endsWith(arguments[0]) ? k : null));""",
                new_build), timeout=30)
            print(f'  caches: {old} -> {names}')
        finally:
            page.close()
        # The next visit plays the new build, the old one gone.
        page = Page(site.url, profile=profile).started()
        try:
            served = page.driver.execute_async_script("""const done = arguments[arguments.length - 1];
                fetch('index.html').then(r => r.text()).then(done);""")
            assert served.endswith('<!-- a new build -->\n'), 'the old page was served'
        finally:
            page.close()
    finally:
        site.folder = original
        shutil.rmtree(profile, ignore_errors=True)
        shutil.rmtree(work, ignore_errors=True)


@check
def site_holds_its_files_and_their_compressed_copies(site, shots):
    present = sorted(p.name for p in site.folder.iterdir())
    wanted = sorted([*SERVED, *(f + '.gz' for f in COMPRESSED), *(f + '.br' for f in COMPRESSED)])
    assert present == wanted, f'the site holds {present}'
    for name in COMPRESSED:
        plain = (site.folder / name).read_bytes()
        assert gzip.decompress((site.folder / f'{name}.gz').read_bytes()) == plain, f'{name}.gz'
        unpacked = subprocess.run(['brotli', '-d', '-c', site.folder / f'{name}.br'],
                                  capture_output=True, check=True).stdout
        assert unpacked == plain, f'{name}.br'


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
