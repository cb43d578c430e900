#!/usr/bin/env python3
"""The web build's figures, one per line, in headless Chromium on 127.0.0.1:

- the bytes a first visit transfers: every file of the site, compressed by gzip as a static
  server sends it (level 6, the usual default; level 9 beside it);
- start-up, from the navigation to the first frame of the window: the game's page against the
  bare window's (bench/barewindow.cpp, built with the same Qt and laid out on the same page),
  in a fresh browser each time (a first visit, nothing cached), rounds interleaved; medians
  and their ratio, with the least and greatest ratio of a single round;
- an AVANTI press in the page: from the click to the first frame that shows its verdict on
  the disc, over the presses of a game of wrong answers.

    web_bench.py --site DIR --bare-site DIR [--rounds N]
"""

import argparse
import gzip
import pathlib
import statistics
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


def transfer(site):
    files = sorted(p for p in site.iterdir() if p.is_file())
    sizes = {p.name: (len(gzip.compress(p.read_bytes(), 6)), len(gzip.compress(p.read_bytes(), 9)))
             for p in files}
    for name, (six, nine) in sizes.items():
        print(f'web_transfer_{name}_gzip6_bytes {six}  (gzip -9: {nine}, as is: {(site / name).stat().st_size})')
    six = sum(s[0] for s in sizes.values())
    nine = sum(s[1] for s in sizes.values())
    print(f'web_first_visit_gzip6_bytes {six}  ({six / 1e6:.2f} MB; gzip -9: {nine / 1e6:.2f} MB; target under 5 MB)')


def first_frame(url):
    page = web_page.Page(url, before=PROBE)
    try:
        return page.wait('the first frame', lambda: page.js('return window.__firstFrame'), 120)
    finally:
        page.close()


def start_up(game, bare, rounds):
    times = {'game': [], 'bare': []}
    ratios = []
    for _ in range(rounds):
        times['game'].append(first_frame(game.url))
        times['bare'].append(first_frame(bare.url))
        ratios.append(times['game'][-1] / times['bare'][-1])
    g, b = statistics.median(times['game']), statistics.median(times['bare'])
    print(f'web_startup_game_ms {g:.0f}')
    print(f'web_startup_bare_window_ms {b:.0f}')
    print(f'web_startup_ratio_game_to_bare {g / b:.3f}  (rounds {min(ratios):.3f} to {max(ratios):.3f}; '
          f'target at most 1.10)')


def presses(game):
    page = web_page.Page(game.url, before=PROBE).started()
    try:
        page.click(web_page.GIOCA)
        scale = page.js('return devicePixelRatio')
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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--site', required=True, type=pathlib.Path)
    parser.add_argument('--bare-site', required=True, type=pathlib.Path)
    parser.add_argument('--rounds', type=int, default=9)
    arguments = parser.parse_args()
    transfer(arguments.site)
    game, bare = web_page.Site(arguments.site), web_page.Site(arguments.bare_site)
    try:
        start_up(game, bare, arguments.rounds)
        presses(game)
    finally:
        game.close()
        bare.close()
    return 0


if __name__ == '__main__':
    sys.exit(main())
