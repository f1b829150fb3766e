#!/usr/bin/python3
# Drives the real program as a user and a screen reader do, on a private X server with openbox and
# an accessibility bus, all started here and stopped at exit. desktop.py PROGRAM CHECK
import atexit, ctypes, functools, os, random, re, select, shutil, signal, subprocess, sys, tempfile
import time

PROGRAM, CHECK = sys.argv[1:]
QUIET = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def check(ok, what, code=1):
    print('ok:' if ok else 'SKIP:' if code == 77 else 'FAIL:', what)
    if not ok:
        sys.exit(code)


def until(get, ok, what, limit=10.0):  # polls; fails with the last value seen
    end = time.monotonic() + limit
    while not ok(value := get()):
        if time.monotonic() > end:
            check(False, f'{what} (last seen {value!r})')
        time.sleep(0.05)
    return value


def start(*args, **options):  # stopped at exit, or when this script dies
    process = subprocess.Popen(args, **(QUIET | options), preexec_fn=lambda: ctypes.CDLL(
        None).prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG
    atexit.register(lambda: process.poll() is None and (process.terminate(), process.wait(10)))
    return process


def runtime_dir():
    path = tempfile.mkdtemp()  # private, mode 0700
    atexit.register(shutil.rmtree, path, True)
    return path


def run(*args, text=None):  # xclip stays on to serve a text: it must not hold our output
    out = subprocess.PIPE if text is None else subprocess.DEVNULL
    return subprocess.run(args, input=text, stdout=out, stderr=out, text=True, timeout=30).stdout


def xdo(*args):
    return run('xdotool', *map(str, args))


class App:  # the running program, read through the accessibility bus
    def __init__(self, **env):
        self.process = start(PROGRAM, stdout=None, stderr=None, env=os.environ | env)
        self.acc = until(lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a and
                         a.get_process_id() == self.process.pid), None), bool, 'program seen', 30)
        self.frame = until(lambda: self.acc.getChildAtIndex(0), bool, 'its window is seen')

    @functools.cache
    def __getitem__(self, name):  # a control by the start of its name
        return until(lambda: pyatspi.findDescendant(self.frame, lambda a: a.name.startswith(name)),
                     bool, f'the control {name}')

    def click(self, name):
        x, y, w, h = self[name].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdo('mousemove', '--sync', x + w // 2, y + h // 2, 'click', 1)

    def dialogs(self):
        return [c for c in self.acc if c and c.name != 'Form1']


def frame(app):  # the function giving the outer geometry of the program's window
    window = until(lambda: xdo('search', '--pid', app.process.pid, '--name', '^Form1$').split(),
                   bool, 'the X window')[0]

    def outer():
        info = dict(l.strip().split(': ', 1) for l in run('xwininfo', '-id', window).splitlines()
                    if ': ' in l)
        extents = run('xprop', '-id', window, '_NET_FRAME_EXTENTS').partition('=')[2]
        left, right, top, bottom = map(int, extents.split(',')) if extents else (0,) * 4
        return (int(info['Absolute upper-left X']) - left, int(info['Absolute upper-left Y']) - top,
                int(info['Width']) + left + right, int(info['Height']) + top + bottom)
    return window, outer


def check_geometry(app):
    window, outer = frame(app)
    until(outer, lambda g: g == (193, 114, 870, 500), 'the frame is 870x500+193+114')
    check('Icon (32 x 32)' in run('xprop', '-id', window, '_NET_WM_ICON'), 'its icon is MAINICON')
    # A held key gives one Exec (Space when let go), every press one, while both cores are busy and
    # keys repeat fast; a held letter shows that they do repeat.
    run('xset', 'r', 'rate', '150', '50')
    xdo('windowactivate', '--sync', window)
    busy = [start(sys.executable, '-c', 'while True: pass') for _ in range(2)]

    def settled(get):  # the value once it has stayed the same for half a second
        while (value := get()) != (time.sleep(0.5) or get()):
            pass
        return value
    lines = lambda: app['Log'].queryText().getText(0, -1).count('\n')
    for key, held in ('Return', 1), ('KP_Enter', 1), ('space', 0):
        before = lines()
        xdo('keydown', key, 'sleep', 1)
        seen = [settled(lines) - before, xdo('keyup', key) or settled(lines) - before]
        xdo('key', '--delay', 50, key, key, key)
        seen.append(settled(lines) - before - 1)
        check(seen == [held, 1, 3], f'{key} held, let go, pressed thrice: {seen} Exec lines')
    app.click('Real part of the first')
    xdo('key', 'ctrl+a', 'keydown', 'x', 'sleep', 1, 'keyup', 'x')
    check(settled(lambda: app['Real part of the first'].queryText().characterCount) > 2, 'repeats')
    [b.kill() for b in busy]
    xdo('windowsize', window, 700, 400)
    size = until(outer, lambda g: g[2:] != (870, 500), 'the user resizes it')[2:]
    xdo('windowminimize', '--sync', window, 'windowactivate', '--sync', window)
    time.sleep(1)
    check(outer()[2:] == size, f'the user size {size} stays after minimise and restore')
    app.process.terminate()
    check(app.process.wait(10) == 0, 'SIGTERM closes the window as the user would: status 0')
    # Scaled past the screen, the frame is shrunk to its width and moved up as far as needed.
    x, y, w, h = until(frame(App(QT_SCALE_FACTOR='2'))[1], lambda g: g[1] == 1024 - 1000 and
                       g[2] <= 1280, 'at scale 2 the frame moved up and shrunk to the screen')
    check(x >= 0 and x + w <= 1280 and y + h <= 1024 and w > 1200,
          f'at scale 2 the frame {w}x{h}+{x}+{y} fits the 1280x1024 screen')


def check_reader(app):  # also the error display, as an alert
    combo = until(lambda: pyatspi.findDescendant(app.frame, lambda a: a.getRole() ==
                                                 pyatspi.ROLE_COMBO_BOX), bool, 'the operator list')
    check((app.frame.getRoleName(), app.frame.name, combo.name, combo.queryText().getText(0, -1),
           app['Log'].name) == ('frame', 'Form1', 'Operator', '+', 'Log'),
          'the window, the operator list with its operator as its text, and the log named')

    def display(message):
        dialog = until(app.dialogs, bool, 'the error display opens')[0]
        texts = [a.name for a in pyatspi.findAllDescendants(dialog, lambda a: True)]
        check(dialog.getRole() == pyatspi.ROLE_ALERT and message in texts,
              f'a {dialog.getRoleName()} says {message[:80]!r} (has {[t[:80] for t in texts]})')
        return dialog
    run('xclip', '-i', '-selection', 'clipboard', text='ab' * 100000)
    app.click('Real part of the first')
    xdo('key', 'ctrl+a', 'ctrl+v')
    until(lambda: app['Real part of the first'].queryText().characterCount, lambda n: n == 200000,
          'it is pasted')
    app.click('Set the first')
    x, y, w, h = display("'" + 'ab' * 32 + "\u2026' is not a valid floating point value") \
        .queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    check(x >= 0 and y >= 0 and x + w <= 1280 and y + h <= 1024, f'it fits the screen: {w}x{h}')
    xdo('key', 'Return')
    until(app.dialogs, lambda d: not d, 'Return dismisses it')
    # What a reader speaks: a change of operator, told as the list's new item unless picked from
    # the open list, and every new line of the log, shown once as a notification that is no
    # control, one after the other.
    heard = []
    pyatspi.Registry.registerEventListener(lambda e: heard.append((e.source.getRoleName(), (
        e.any_data or e.source).name, e.source.getState().contains(pyatspi.STATE_FOCUSABLE))),
        'object:active-descendant-changed', 'object:state-changed:showing')
    app.click('Imaginary part of the second')
    xdo('key', 'Tab', 'Down', 'alt+Down')
    until(lambda: [i.name for i in combo[0] if i.getState().contains(pyatspi.STATE_SELECTED)],
          lambda s: s == ['-'], 'the open list has its operator selected')
    for key in 'Down', 'Return', 'Tab', 'space', 'shift+Tab', 'Up', 'Up', 'Tab', 'space', 'Abs':
        app['Abs'].queryAction().doAction(0) if key == 'Abs' else xdo('key', key)
        for _ in range(20):  # what a reader is told comes as the loop turns, as a reader hears it
            GLib.MainContext.default().iteration(False) or time.sleep(0.02)
    line = '(0.0000 + 0.0000i) {} (0.0000 + 0.0000i) = 0.0000 + 0.0000i'.format
    told = [('combo box', '-', True), ('notification', line('*'), False), ('combo box', '-', True),
            ('combo box', '+', True), ('notification', line('+'), False),
            ('notification', 'Absolute value = 0', False)]
    until(lambda: [GLib.MainContext.default().iteration(False)] and [
        h for h in heard if h[0] in ('combo box', 'notification')][-len(told):], lambda h: h == told
          and not pyatspi.findDescendant(app.frame, lambda a: a.getRole() ==
                                         pyatspi.ROLE_NOTIFICATION), 'what a reader is told')


def check_nodisplay(_):  # no window possible: one message naming the cause, status 1, no core
    unserved = next(f':{n}' for n in range(1000, 1100) if not os.path.exists(f'/tmp/.X{n}-lock')
                    and not os.path.exists(f'/tmp/.X11-unix/X{n}'))  # the others use 100 to 999
    said = lambda cause: re.escape(
        f'complexops: cannot open a window: {cause}.\nSet DISPLAY to a running X server or '
        'WAYLAND_DISPLAY to a Wayland compositor, and leave QT_QPA_PLATFORM unset (or set it to '
        'xcb or wayland).\n')
    for change, status, stderr in (
            ({'QT_FATAL_WARNINGS': '0'}, 1, said('neither DISPLAY nor WAYLAND_DISPLAY is set')),
            ({'QT_QPA_PLATFORM': 'nonesuch'}, 1, said(
                'the platform plugin "nonesuch" named by QT_QPA_PLATFORM is not installed')),
            ({'DISPLAY': unserved}, 1, said(f'the X display "{unserved}" refused the connection')),
            ({'WAYLAND_DISPLAY': 'none'}, 1,
             said('the Wayland display "none" refused the connection')),
            ({'WAYLAND_DISPLAY': 'none', 'QT_QPA_PLATFORM': 'xcb'}, 1,  # the toolkit's words too
             '.*could not connect to display.*' + said('the toolkit found no platform to show it on')),
            ({'QT_QPA_PLATFORM': 'offscreen', 'QT_FATAL_WARNINGS': '1', 'XDG_RUNTIME_DIR': ''},
             -signal.SIGABRT, '.*XDG_RUNTIME_DIR not set.*')):  # said, then ended by the toolkit
        env = {k: v for k, v in os.environ.items() if k not in ('DISPLAY', 'WAYLAND_DISPLAY',
               'QT_QPA_PLATFORM')} | {'XDG_RUNTIME_DIR': runtime_dir()} | change
        done = subprocess.run([PROGRAM], env=env, capture_output=True, text=True, timeout=30,
                              preexec_fn=lambda: __import__('resource').setrlimit(4, (0, 0)))
        check(done.returncode == status and re.fullmatch(stderr, done.stderr, re.S),
              f'{change or "no display"}: status {done.returncode}, stderr {done.stderr!r}')


signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # a CTest timeout still cleans up
if CHECK != 'nodisplay':
    check(shutil.which('Xvfb') and shutil.which('openbox'), 'Xvfb and openbox are here', 77)
    # Servers started side by side with -displayfd alone can share a number, so each check
    # picks its own; a number in use makes the server exit at once.
    for number in random.Random(os.getpid()).sample(range(100, 1000), 10):
        read, write = os.pipe()
        start('Xvfb', f':{number}', '-displayfd', str(write), '-screen', '0', '1280x1024x24',
              '-nolisten', 'tcp', pass_fds=[write])
        os.close(write)
        if select.select([read], [], [], 15)[0] and os.read(read, 16).strip():
            break
    else:
        check(False, 'an X server starts')
    os.environ.update(DISPLAY=f':{number}', XDG_RUNTIME_DIR=runtime_dir(),
                      QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
    # The session bus starts the accessibility bus on demand, with its socket in the runtime
    # directory, so that checks run side by side; both end with it.
    bus = start('dbus-daemon', '--session', '--nofork', '--print-address=1', stdout=subprocess.PIPE,
                text=True)
    os.environ['DBUS_SESSION_BUS_ADDRESS'] = bus.stdout.readline().strip()
    # Now and then openbox quits at once with status 1, saying nothing: it is started again.
    for attempt in range(3):
        wm = start('openbox')
        until(lambda: wm.poll() is not None or 'window id' in run(
            'xprop', '-root', '_NET_SUPPORTING_WM_CHECK'), bool, 'openbox manages the screen', 30)
        if wm.poll() is None:
            break
    check(wm.poll() is None, 'openbox manages the screen')
    import pyatspi  # noqa: E402  (it finds the bus when imported)
    from gi.repository import GLib  # noqa: E402
globals()['check_' + CHECK](App() if CHECK in ('geometry', 'reader') else None)
