#!/usr/bin/env python3
"""Where a phone's start of the page goes, from Chromium's own performance trace.

A 360 x 740 phone is emulated at a pixel ratio of 3, with an Android browser's name, the
browser's cache off and its CPU slowed four times (DevTools' Emulation.setCPUThrottlingRate,
about a mid-range phone); the page is loaded afresh in a new browser and traced (DevTools'
Tracing domain, with V8's sampling profiler) until the first frame in which the game's window
shows. Each run is split into:

- the page and its scripts, up to the request for the program;
- the program's download, from its request to its last byte, and its compilation, which the
  browser does off the main thread while the program arrives;
- Qt's loader, the runtime's files and the program made an instance;
- the runtime's start: emscripten's runtime and the static constructors, up to main();
- Qt's start: the application and what it loads, split into the platform plugin, the screen,
  fonts, the widget style, Qt's Italian texts and the rest;
- the game's windows, made and shown;
- the first paint: from main()'s return to the frame that shows the window;

with the main thread's busy time in each (from the profiler's samples, read by the functions
on their stack) and the share of it V8 spent compiling functions the first time they were
called, and the page's own script and the browser's work apart. The profiler slows the
program down (every function compiled is logged), so the times are longer than a run's
without it: the table is for where the time goes, the bench (web_bench.py) for how long.

The program must keep its functions' names: build the site with GIRO_WEB_PROFILING=ON. With
two or more sites, their runs are interleaved and the table has a column pair for each;
medians over the runs, in milliseconds from the navigation. bench/web_trace.md holds the
tables measured.

    web_trace.py --site DIR [--site DIR...] [--runs N] [--throttle N] [--desktop] [--save FOLDER]
"""

import argparse
import collections
import json
import pathlib
import statistics
import sys
import time
import urllib.request

from websockets.sync.client import connect

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / 'tests'))
import web_page  # noqa: E402  (the page's test harness: the server, the browser)

PHONE = (360, 740, 3)
CATEGORIES = ['devtools.timeline', 'disabled-by-default-devtools.timeline', 'v8', 'v8.wasm', 'v8.execute',
              'blink.user_timing', 'loading', 'toplevel', 'disabled-by-default-v8.cpu_profiler',
              'disabled-by-default-v8.cpu_profiler.hires']

# Notes the first animation frame in which a window of the page shows a painted pixel.
PROBE = r'''
(() => {
  const painted = () => {
    const screen = document.getElementById('qt-shadow-container')?.shadowRoot;
    return [...(screen ? screen.querySelectorAll('canvas.qt-window-content') : [])].some(c => c.width > 0
        && c.getContext('2d').getImageData(c.width >> 1, c.height >> 1, 1, 1).data[3] !== 0);
  };
  const look = now => {
    if (painted()) { window.__firstFrame = now; performance.mark('giro-first-frame'); }
    else requestAnimationFrame(look);
  };
  requestAnimationFrame(look);
})();
'''


class Tracer:
    """The browser's DevTools endpoint, beside chromedriver's own session."""

    def __init__(self, page):
        address = page.driver.capabilities['goog:chromeOptions']['debuggerAddress']
        with urllib.request.urlopen(f'http://{address}/json/version') as answer:
            url = json.load(answer)['webSocketDebuggerUrl']
        self.socket = connect(url, max_size=None, open_timeout=20)
        self.next_id = 0

    def send(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        return self.next_id

    def start(self):
        self.send('Tracing.start', transferMode='ReportEvents',
                  traceConfig={'recordMode': 'recordAsMuchAsPossible', 'includedCategories': CATEGORIES})
        time.sleep(0.5)

    def stop(self):
        self.send('Tracing.end')
        events = []
        while True:
            message = json.loads(self.socket.recv(timeout=120))
            if message.get('method') == 'Tracing.dataCollected':
                events.extend(message['params']['value'])
            elif message.get('method') == 'Tracing.tracingComplete':
                return events

    def close(self):
        self.socket.close()


def trace(url, throttle, desktop=False):
    page = (web_page.Page('about:blank', before=PROBE) if desktop
            else web_page.Page('about:blank', mobile=PHONE, agent=web_page.ANDROID, before=PROBE))
    tracer = Tracer(page)
    try:
        page.cdp('Network.setCacheDisabled', cacheDisabled=True)
        page.cdp('Emulation.setCPUThrottlingRate', rate=throttle)
        tracer.start()
        page.driver.get(url)
        page.wait('the first frame', lambda: page.js('return window.__firstFrame'), 120)
        time.sleep(0.5)
        return tracer.stop()
    finally:
        tracer.close()
        page.close()


def profile_samples(events, pid, tid):
    """The main thread's samples: (time, stack of function names from the root), in order."""
    profile = next(e for e in events if e.get('name') == 'Profile' and e['pid'] == pid and e['tid'] == tid)
    chunks = sorted((e for e in events if e.get('name') == 'ProfileChunk' and e['pid'] == pid
                     and e.get('id') == profile['id']), key=lambda e: e['ts'])
    nodes, samples = {}, []
    now = profile['args']['data']['startTime']
    for chunk in chunks:
        data = chunk['args']['data']
        for node in data.get('cpuProfile', {}).get('nodes', []):
            frame = node['callFrame']
            nodes[node['id']] = (node.get('parent'), frame.get('functionName') or '', frame.get('url', ''))
        for sample, delta in zip(data.get('cpuProfile', {}).get('samples', []), data.get('timeDeltas', [])):
            now += delta
            samples.append((now, sample))
    stacks = {}

    def stack(node):
        if node not in stacks:
            parent, name, url = nodes[node]
            stacks[node] = (stack(parent) if parent else ()) + ((name, url),)
        return stacks[node]
    return [(t, stack(s)) for t, s in samples]


def has(stack, *names):
    return any(name.startswith(names) for name, _ in stack)


FONTS = ('QFontDatabase', 'QFreeTypeFontDatabase', 'QWasmFontDatabase', 'QFontEngineFT', 'FT_', 'QFreetypeFace',
         'QBasicFontDatabase', 'QPlatformFontDatabase', 'QFontCache', 'QFontEngine')


def program_part(stack):
    """The part of the program's start a sample of main() belongs to."""
    if has(stack, 'Form1::', 'QWidget::setVisible', 'QWidget::QWidget', 'QWidget::resize', 'ui::platform::',
           '(anonymous namespace)::placeOnPhone', 'FirstPaintProbe', 'QLabel::', 'QTimer::start'):
        return 'windows'
    if has(stack, 'QWasmScreen'):
        return 'screen'
    if has(stack, *FONTS) or has(stack, 'ui::platform::provideDesignFace'):
        return 'fonts'
    if has(stack, 'QGuiApplicationPrivate::createPlatformIntegration', 'QWasmIntegration'):
        return 'platform'
    if has(stack, 'QStyleFactory', 'QApplication::setStyle', 'QApplication::style', 'QFusionStyle', 'QCommonStyle'):
        return 'style'
    if has(stack, 'QTranslator'):
        return 'texts'
    return 'qt'


def analyse(events, site_url):
    """One run's phases: wall-clock spans and the main thread's busy time, in ms from the
    navigation."""
    mark = next(e for e in events if e.get('name') == 'giro-first-frame')
    pid, tid = mark['pid'], mark['tid']
    zero = mark['ts'] - mark['args']['data']['startTime'] * 1000
    ms = lambda ts: (ts - zero) / 1000
    first_frame = ms(mark['ts'])
    on_main = [e for e in events if e['pid'] == pid and e['tid'] == tid]
    request = next(e for e in on_main if e.get('name') == 'ResourceSendRequest'
                   and e['args']['data']['url'].endswith('.wasm'))
    request_id = request['args']['data']['requestId']
    finish = next(e for e in on_main if e.get('name') == 'ResourceFinish'
                  and e['args']['data']['requestId'] == request_id)
    compile_start = next(e for e in events if e.get('name') == 'wasm.StartStreamingCompilation')
    compile_end = next(e for e in events if e.get('name') == 'wasm.FinishStreaming')
    instance = next(e for e in events if e.get('name') == 'wasm.SyncInstantiate')
    instantiated = ms(instance['ts'] + instance['dur'])
    lazy = [(ms(e['ts']), e['dur'] / 1000) for e in on_main if e.get('name') == 'wasm.CompileLazy']

    samples = [(ms(t), stack) for t, stack in profile_samples(events, pid, tid) if ms(t) <= first_frame]
    in_main = [t for t, stack in samples if has(stack, 'main')]
    main_start, main_end = in_main[0], in_main[-1]
    windows_start = next(t for t, stack in samples if has(stack, 'main') and program_part(stack) == 'windows')
    spans = {
        'page': (0, ms(request['ts'])),
        'download': (ms(request['ts']), finish['args']['data']['finishTime'] * 1000 - zero / 1000),
        'compile': (ms(compile_start['ts']), ms(compile_end['ts'] + compile_end['dur'])),
        'instantiate': (ms(compile_end['ts'] + compile_end['dur']), instantiated),
        'runtime': (instantiated, main_start),
        'qt': (main_start, windows_start),
        'windows': (windows_start, main_end),
        'paint': (main_end, first_frame),
    }
    busy = collections.Counter()
    for k, (t, stack) in enumerate(samples):
        weight = samples[k + 1][0] - t if k + 1 < len(samples) else 0
        leaf = stack[-1][0]
        if t < spans['page'][1]:
            continue  # the page before the program is asked for
        if has(stack, 'main'):
            busy[program_part(stack)] += weight
        elif leaf == '(idle)':
            busy['idle'] += weight
        elif leaf in ('(program)', '(garbage collector)'):
            busy['browser'] += weight
        elif t < main_start and t >= instantiated:
            busy['runtime'] += weight
        elif any(url.rstrip('/') == site_url.rstrip('/') for _, url in stack) and not has(stack, 'js-to-wasm'):
            busy['page script'] += weight
        elif t >= main_end:
            busy['paint'] += weight
        else:
            busy['loading'] += weight  # the loader, instantiating, the compiled program's start
    compiled = collections.Counter()
    for t, duration in lazy:
        phase = next((name for name in ('runtime', 'qt', 'windows', 'paint')
                      if spans[name][0] <= t < spans[name][1]), None)
        if phase:
            compiled[phase] += duration
    return {'spans': spans, 'busy': busy, 'compiled': compiled, 'first_frame': first_frame}


QT_PARTS = [('platform', 'the platform plugin'), ('screen', 'the screen'), ('fonts', 'fonts'),
            ('style', 'the widget style'), ('texts', "Qt's Italian texts"), ('qt', 'the rest (application, events)')]


def table(runs_by_site):
    """Markdown: a column per site, medians of its runs."""
    names = list(runs_by_site)
    median = lambda runs, f: statistics.median(f(r) for r in runs)
    head = '| phase | ' + ' | '.join(f'{n}: from–to (ms) | main thread (ms)' for n in names) + ' |'
    lines = [head, '|---' * (1 + 2 * len(names)) + '|']

    def row(label, span_key, busy_key, lazy_key):
        cells = [label]
        for n in names:
            runs = runs_by_site[n]
            if span_key:
                a = median(runs, lambda r: r['spans'][span_key][0])
                b = median(runs, lambda r: r['spans'][span_key][1])
                cells.append(f'{a:.0f}–{b:.0f}')
            else:
                cells.append('')
            if busy_key:
                busy = median(runs, lambda r: sum(r['busy'][k] for k in busy_key))
                text = f'{busy:.0f}'
                if lazy_key:
                    text += f' ({median(runs, lambda r: r["compiled"][lazy_key]):.0f} compiling)'
                cells.append(text)
            else:
                cells.append('')
        lines.append('| ' + ' | '.join(cells) + ' |')

    row('the page and its scripts, to the program asked for', 'page', None, None)
    row('download of the program (request to last byte)', 'download', None, None)
    row('compile (streaming, off the main thread)', 'compile', None, None)
    row("Qt's loader, the runtime's files, instantiate", 'instantiate', ['loading'], None)
    row("the runtime's start, up to main()", 'runtime', ['runtime'], 'runtime')
    row("Qt's start", 'qt', [k for k, _ in QT_PARTS], 'qt')
    for key, label in QT_PARTS:
        row(f'  - {label}', None, [key], None)
    row("the game's windows, made and shown", 'windows', ['windows'], 'windows')
    row('the first paint, to the frame that shows it', 'paint', ['paint'], 'paint')
    row("the page's own script", None, ['page script'], None)
    row("the browser's own work (layout, GC, compositing)", None, ['browser'], None)
    row('**first frame**', None, None, None)
    lines[-1] = '| **first frame** | ' + ' | '.join(
        f'**{median(runs_by_site[n], lambda r: r["first_frame"]):.0f}** | ' for n in names) + '|'
    return '\n'.join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--site', required=True, type=pathlib.Path, action='append',
                        help='a site built with the names kept; given again, another site to trace beside it')
    parser.add_argument('--runs', type=int, default=3)
    parser.add_argument('--throttle', type=float, default=4)
    parser.add_argument('--desktop', action='store_true',
                        help="a computer's browser (1280 x 800) instead of the phone")
    parser.add_argument('--save', type=pathlib.Path, help='a folder for the traces (Chrome DevTools opens them)')
    arguments = parser.parse_args()
    sites = [web_page.Site(folder) for folder in arguments.site]
    runs = {str(folder): [] for folder in arguments.site}
    try:
        for round_ in range(arguments.runs):  # interleaved
            for folder, site in zip(arguments.site, sites):
                events = trace(site.url, arguments.throttle, arguments.desktop)
                if arguments.save:
                    arguments.save.mkdir(parents=True, exist_ok=True)
                    name = f'{folder.parent.name}-{folder.name}-{round_ + 1}.json'
                    (arguments.save / name).write_text(json.dumps({'traceEvents': events}))
                result = analyse(events, site.url)
                runs[str(folder)].append(result)
                print(f'{folder}: first frame at {result["first_frame"]:.0f} ms', file=sys.stderr)
    finally:
        for site in sites:
            site.close()
    print(table(runs))
    return 0


if __name__ == '__main__':
    sys.exit(main())
