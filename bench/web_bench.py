#!/usr/bin/env python3
"""The web build's figures, one per line, in headless Chromium on 127.0.0.1:

- the bytes a first visit transfers: every file the site serves (all of which the service
  worker keeps), as a server that sends the site's compressed copies sends them, brotli (-11)
  or gzip (-9), the icons as they are; and gzip at level 6, as a server compressing on the
  fly by default sends them;
- what the program carries of the fonts and of Qt's Italian texts, before and after the cut;
- start-up, from the navigation to the first frame of the window: the game's page against the
  bare window's (bench/barewindow.cpp, built with the same Qt and laid out on the same page),
  in a fresh browser each time (a first visit, nothing cached), rounds interleaved; medians
  and their ratio, with the least and greatest ratio of a single round; and the game's page
  visited again in the same browser (its service worker and compiled program kept);
- an AVANTI press in the page: from the click to the first frame that shows its verdict on
  the disc, over the presses of a game of wrong answers;
- with --baseline-site, a phone's start against the same site built from an earlier commit: a
  360 x 740 phone emulated at a pixel ratio of 3, with an Android browser's name, the cache
  off and the CPU slowed four times (about a mid-range phone), each page in a fresh browser,
  the two sites interleaved: from the navigation to the first frame that shows the game (its
  picture while the program loads, or the running game), to the first frame of the running
  game, and to the first frame that shows the first clue, GIOCA tapped as soon as the
  running game shows; medians, and their ratios to the baseline's.

    web_bench.py --site DIR --bare-site DIR [--carried DIR] [--rounds N]
                 [--baseline-site DIR] [--phone-rounds N]
"""

import argparse
import gzip
import pathlib
import statistics
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / 'tests'))
import web_page  # noqa: E402  (the page's test harness: the server, the browser, the places)

# Runs in the page before anything else: notes the time of the first animation frame in which
# some window of the page shows a painted pixel, and, once asked, the time from each click of
# the mouse to the first frame in which a given point of the window has a given colour.
PROBE = r'''
(() => {
  const canvases = () => {
    const screen = document.getElementById('qt-shadow-container')?.shadowRoot;
    return screen ? [...screen.querySelectorAll('canvas.qt-window-content')] : [];
  };
  const painted = canvas => canvas.width > 0 && canvas.getContext('2d')
      .getImageData(canvas.width >> 1, canvas.height >> 1, 1, 1).data[3] !== 0;
  const firstFrame = now => {
    if (canvases().some(painted)) window.__firstFrame = now;
    else requestAnimationFrame(firstFrame);
  };
  requestAnimationFrame(firstFrame);
  window.__presses = [];
  window.__watch = null; // {x, y, colour}: the point of the main canvas to watch after a click
  addEventListener('pointerup', event => {
    const watch = window.__watch;
    if (!watch) return;
    const clicked = event.timeStamp;
    const canvas = canvases()[0];
    const look = now => {
      const pixel = canvas.getContext('2d').getImageData(watch.x, watch.y, 1, 1).data;
      if (pixel[0] === watch.colour[0] && pixel[1] === watch.colour[1] && pixel[2] === watch.colour[2])
        window.__presses.push(now - clicked);
      else
        requestAnimationFrame(look);
    };
    requestAnimationFrame(look);
  }, true);
})();
'''


# Runs in the phone's page before anything else: notes the first animation frame that shows
# the game (the page's picture of it while the program loads, or the running game's window),
# the first frame of the running game, and, once GIOCA is tapped, the first frame in which the
# question box shows the clue's letters (its dark pixels, far more than its caret's).
PHONE_PROBE = r'''
(() => {
  const canvas = () => document.getElementById('qt-shadow-container')?.shadowRoot
      ?.querySelector('canvas.qt-window-content');
  const painted = c => c && c.width > 0 && c.getContext('2d')
      .getImageData(c.width >> 1, c.height >> 1, 1, 1).data[3] !== 0;
  const pictured = () => {
    const picture = document.getElementById('anteprima');
    return picture && !picture.hidden && picture.complete && picture.naturalWidth > 0;
  };
  const look = now => {
    if (window.__inSight === undefined && (pictured() || painted(canvas())))
      window.__inSight = now;
    if (painted(canvas())) { window.__running = now; return; }
    requestAnimationFrame(look);
  };
  requestAnimationFrame(look);
  window.__clueBox = null; // [x, y, width, height] of the question box in the window's pixels
  addEventListener('touchstart', event => {
    if (!window.__clueBox || window.__tapped !== undefined) return;
    window.__tapped = event.timeStamp;
    const c = canvas();
    const scale = c.width / @GAME_WIDTH@;
    const [x, y, w, h] = window.__clueBox.map(v => Math.round(v * scale));
    const read = now => {
      const data = c.getContext('2d').getImageData(x, y, w, h).data;
      let dark = 0;
      for (let k = 0; k < data.length; k += 4)
        if (data[k] + data[k + 1] + data[k + 2] < 3 * 100) ++dark;
      if (dark > 40 * scale * scale) window.__clue = now;
      else requestAnimationFrame(read);
    };
    requestAnimationFrame(read);
  }, true);
})();
'''.replace('@GAME_WIDTH@', str(web_page.GAME_SIZE[0]))
# A phone a mid-range one: its size and pixel ratio, and how much slower its CPU is.
PHONE = (360, 740, 3)
PHONE_CPU_SLOWDOWN = 4


def transfer(site):
    served = [p for p in sorted(site.iterdir()) if p.suffix not in ('.gz', '.br')]
    brotli = gzip9 = gzip6 = 0
    for path in served:
        plain = path.read_bytes()
        br, gz = path.with_name(path.name + '.br'), path.with_name(path.name + '.gz')
        # A site without compressed copies (an older build) is measured as if it had them.
        packed = path.suffix != '.png'
        b = br.stat().st_size if br.exists() else len(subprocess.run(
            ['brotli', '-q', '11', '-c', path], capture_output=True, check=True).stdout) if packed else len(plain)
        g = gz.stat().st_size if gz.exists() else len(gzip.compress(plain, 9)) if packed else len(plain)
        six = len(gzip.compress(plain, 6)) if packed else len(plain)
        brotli, gzip9, gzip6 = brotli + b, gzip9 + g, gzip6 + six
        print(f'web_transfer_{path.name}_brotli_bytes {b}  (gzip -9: {g}, as is: {len(plain)})')
    print(f'web_first_visit_brotli_bytes {brotli}  ({brotli / 1e6:.2f} MB; target at most 1.8 MB)')
    print(f'web_first_visit_gzip9_bytes {gzip9}  ({gzip9 / 1e6:.2f} MB; target at most 2.9 MB; '
          f'gzip -6 on the fly: {gzip6 / 1e6:.2f} MB)')


def carried(folder):
    """The fonts and Qt's Italian texts: the whole files on the building machine, and the cut
    ones the program carries."""
    pairs = [('font_regular', pathlib.Path('/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf'),
              folder / 'fonts/LiberationSans-Regular.ttf'),
             ('font_bold', pathlib.Path('/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf'),
              folder / 'fonts/LiberationSans-Bold.ttf'),
             ('qt_translation', pathlib.Path('/usr/share/qt6/translations/qtbase_it.qm'),
              folder / 'translations/qtbase_it.qm')]
    for name, whole, cut in pairs:
        w, c = whole.read_bytes(), cut.read_bytes()
        print(f'web_carried_{name}_bytes {len(c)}  (whole: {len(w)}; with gzip -9: {len(gzip.compress(c, 9))} '
              f'against {len(gzip.compress(w, 9))})')


def first_frame(url, again=False):
    """Navigation to first frame in a fresh browser; with again, also of a second visit in it,
    once its service worker keeps the site."""
    page = web_page.Page(url, before=PROBE)
    try:
        first = page.wait('the first frame', lambda: page.js('return window.__firstFrame'), 120)
        if not again:
            return first
        page.driver.set_script_timeout(60)
        time.sleep(1)  # the page's worker registered, the compiled program written to the cache
        page.driver.execute_async_script("""const done = arguments[arguments.length - 1];
            navigator.serviceWorker.getRegistration()
                .then(r => r ? navigator.serviceWorker.ready.then(() => done(true)) : done(false));""")
        page.driver.get(url)
        return first, page.wait('the first frame', lambda: page.js('return window.__firstFrame'), 120)
    finally:
        page.close()


def start_up(game, bare, rounds):
    times = {'game': [], 'bare': [], 'again': []}
    ratios = []
    for _ in range(rounds):
        first, again = first_frame(game.url, again=True)
        times['game'].append(first)
        times['again'].append(again)
        times['bare'].append(first_frame(bare.url))
        ratios.append(times['game'][-1] / times['bare'][-1])
    g, b, a = (statistics.median(times[k]) for k in ('game', 'bare', 'again'))
    print(f'web_startup_game_ms {g:.0f}')
    print(f'web_startup_bare_window_ms {b:.0f}')
    print(f'web_startup_ratio_game_to_bare {g / b:.3f}  (rounds {min(ratios):.3f} to {max(ratios):.3f}; '
          f'target at most 1.10)')
    print(f'web_startup_repeat_visit_ms {a:.0f}  ({a / g:.2f} of a first visit; target at most 0.5)')


def presses(game):
    page = web_page.Page(game.url, before=PROBE).started()
    try:
        page.click(web_page.GIOCA)
        # The canvas's pixels for each of the window's own: the page scales the window too.
        scale = page.canvas_pixels()[0] / web_page.GAME_SIZE[0]
        for k in range(20):
            # The disc being judged, at the left of its ring, in the canvas's own pixels.
            left, top, size, _ = web_page.disc(k + 1)
            page.js('window.__watch = arguments[0]',
                    {'x': int((left + 5) * scale), 'y': int((top + size / 2) * scale), 'colour': web_page.RED})
            page.type('x')
            page.click(web_page.AVANTI)
            page.wait('the verdict', lambda: len(page.js('return window.__presses')) > k, 10)
        measured = page.js('return window.__presses')
    finally:
        page.close()
    print(f'web_press_to_frame_ms {statistics.median(measured):.1f}  '
          f'(least {min(measured):.1f}, greatest {max(measured):.1f}, {len(measured)} presses)')


def phone_start(url):
    """One phone's visit: the times from the navigation to the game in sight, to the running
    game, and to the first clue, GIOCA tapped as soon as the game runs."""
    page = web_page.Page('about:blank', mobile=PHONE, agent=web_page.ANDROID, before=PHONE_PROBE)
    try:
        page.cdp('Network.setCacheDisabled', cacheDisabled=True)
        page.cdp('Emulation.setCPUThrottlingRate', rate=PHONE_CPU_SLOWDOWN)
        page.driver.get(url)
        page.wait('the running game', lambda: page.js('return window.__running'), 120)
        page.js('window.__clueBox = arguments[0]', list(web_page.QUESTION_BOX))
        page.tap(web_page.GIOCA)
        page.wait('the first clue', lambda: page.js('return window.__clue'), 60)
        return page.js('return [window.__inSight, window.__running, window.__clue]')
    finally:
        page.close()


def phone(game, baseline, rounds):
    names = ('in_sight', 'running', 'first_clue')
    times = {side: {name: [] for name in names} for side in ('game', 'baseline')}
    for k in range(rounds):
        # Each side goes first in every other round.
        for side, site in ((('game', game), ('baseline', baseline)) if k % 2 == 0
                           else (('baseline', baseline), ('game', game))):
            for name, value in zip(names, phone_start(site.url)):
                times[side][name].append(value)
    labels = {'in_sight': 'the game in sight', 'running': 'the running game',
              'first_clue': 'the first clue, GIOCA tapped as the game runs'}
    for name in names:
        g, b = (statistics.median(times[side][name]) for side in ('game', 'baseline'))
        print(f'web_phone_{name}_ms {g:.0f}  (baseline {b:.0f}; ratio {g / b:.2f}; {labels[name]}, '
              f'navigation to frame, {rounds} rounds)')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--site', required=True, type=pathlib.Path)
    parser.add_argument('--bare-site', required=True, type=pathlib.Path)
    parser.add_argument('--carried', type=pathlib.Path,
                        help="the build's folder of the cut fonts and translation (src/ui/web)")
    parser.add_argument('--rounds', type=int, default=9)
    parser.add_argument('--baseline-site', type=pathlib.Path,
                        help='the same site built from an earlier commit, for the phone figures')
    parser.add_argument('--phone-rounds', type=int, default=7)
    arguments = parser.parse_args()
    transfer(arguments.site)
    if arguments.carried:
        carried(arguments.carried)
    game, bare = web_page.Site(arguments.site), web_page.Site(arguments.bare_site)
    baseline = web_page.Site(arguments.baseline_site) if arguments.baseline_site else None
    try:
        start_up(game, bare, arguments.rounds)
        presses(game)
        if baseline:
            phone(game, baseline, arguments.phone_rounds)
    finally:
        game.close()
        bare.close()
        if baseline:
            baseline.close()
    return 0


if __name__ == '__main__':
    sys.exit(main())
