#!/usr/bin/python3
# Drives the real program as a user and a screen reader do, on a private X server with openbox
# and an accessibility bus. desktop.py STATE setup|cleanup, or desktop.py STATE PROGRAM CHECK.
import atexit, contextlib, json, os, select, shutil, signal, subprocess, sys, tempfile, time

STATE, ACTION, ENV = os.path.abspath(sys.argv[1]), sys.argv[-1], dict(os.environ)
NAMES = {'log': 'Log', 'x1': 'Real part of the first', 'y1': 'Imaginary part of the first',
         'x2': 'Real part of the second', 'y2': 'Imaginary part of the second', 'op': None,
         'exec': 'Exec', 'set1': 'Set the first', 'set2': 'Set the second', 'abs': 'Abs'}
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


def steady(get, what, hold=1.0):  # checks that get() keeps its value for hold seconds
    first = now = get()
    end = time.monotonic() + hold
    while time.monotonic() < end and (now := get()) == first:
        time.sleep(0.05)
    check(now == first, what if now == first else f'{what} (was {first!r}, then {now!r})')


def run(*args):
    return subprocess.run(args, env=ENV, capture_output=True, text=True, timeout=30).stdout


def setup():
    pids, rundir = [], os.path.join(os.path.dirname(STATE), 'run')
    os.makedirs(rundir, mode=0o700, exist_ok=True)
    check(shutil.which('Xvfb') and shutil.which('openbox'), 'Xvfb and openbox are here', 77)
    read, write = os.pipe()
    xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write), '-screen', '0', '1280x1024x24',
                             '-nolisten', 'tcp'], pass_fds=[write], **QUIET)
    os.close(write)
    number = os.read(read, 16).strip() if select.select([read], [], [], 15)[0] else b''
    if not number:
        xvfb.kill()
    check(number, 'an X server starts', 77)
    pids.append(xvfb.pid)
    ENV.update(DISPLAY=':' + number.decode(), XDG_RUNTIME_DIR=rundir)
    try:  # whatever started is recorded, for the cleanup to stop
        bus = run('dbus-daemon', '--session', '--fork', '--print-address=1', '--print-pid=1')
        ENV['DBUS_SESSION_BUS_ADDRESS'], pid = bus.split()
        pids.append(int(pid))
        # The session bus starts the accessibility bus and its registry on demand.
        a11y = until(lambda: run('dbus-send', '--session', '--print-reply=literal', '--dest=org.a11y'
                                 '.Bus', '/org/a11y/bus', 'org.a11y.Bus.GetAddress').strip(),
                     lambda a: a.startswith('unix:'), 'the accessibility bus')
        for bus, name in ('--session', 'org.a11y.Bus'), ('--bus=' + a11y, 'org.a11y.atspi.Registry'):
            def pid():  # a ping starts it
                run('dbus-send', bus, '--print-reply', '--dest=' + name, '/',
                    'org.freedesktop.DBus.Peer.Ping')
                return run('dbus-send', bus, '--print-reply=literal', '--dest=org.freedesktop.DBus',
                           '/', 'org.freedesktop.DBus.GetConnectionUnixProcessID', 'string:' + name)
            pids.append(int(until(pid, str.strip, f'{name} runs').split()[-1]))
        # ctest waits for whoever holds a test's output: openbox gets none.
        pids.append(subprocess.Popen(['openbox'], env=ENV, start_new_session=True, **QUIET).pid)
        until(lambda: run('xprop', '-root', '_NET_SUPPORTING_WM_CHECK'), lambda s: 'window id' in s,
              'openbox manages the screen')
    finally:
        json.dump({'pids': pids, 'env': {k: ENV.get(k) for k in (
            'DISPLAY', 'XDG_RUNTIME_DIR', 'DBUS_SESSION_BUS_ADDRESS')}}, open(STATE, 'w'))


def cleanup():
    for pid in reversed(json.load(open(STATE))['pids'] if os.path.exists(STATE) else []):
        with contextlib.suppress(ProcessLookupError):
            os.kill(pid, signal.SIGTERM)
    with contextlib.suppress(FileNotFoundError):
        os.remove(STATE)


if ACTION in ('setup', 'cleanup'):
    sys.exit((setup if ACTION == 'setup' else cleanup)())
check(os.path.exists(STATE), 'the desktop fixture is up (an X server started)', 77)
ENV.update(json.load(open(STATE))['env'])
os.environ.update(ENV)  # pyatspi finds the bus when imported
ENV.update(QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', QT_ACCESSIBILITY='1')
PROGRAM = sys.argv[2]
import pyatspi  # noqa: E402


class App:  # the running program, read through the accessibility bus
    def __init__(self, env=None):
        self.process = subprocess.Popen([PROGRAM], env=env or ENV)
        atexit.register(self.close)
        self.acc = until(lambda: next((a for a in pyatspi.Registry.getDesktop(0) if a and
                         a.get_process_id() == self.process.pid), None), bool, 'program seen', 20)
        self.frame = until(lambda: self.acc.getChildAtIndex(0), bool, 'its window is seen')
        # The operator list is found by its role: its name is one of the checks.
        self.controls = {key: until(lambda: pyatspi.findDescendant(self.frame, lambda a: (
            a.name.startswith(name) if name else a.getRole() == pyatspi.ROLE_COMBO_BOX)),
            bool, f'control {key}') for key, name in NAMES.items()}

    def __getitem__(self, key):
        return self.controls[key]

    def text(self, key):
        return self[key].queryText().getText(0, -1)

    def lines(self):
        return self.text('log').split('\n')

    def click(self, key, times=1):
        x, y, w, h = self[key].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdo('mousemove', '--sync', x + w // 2, y + h // 2, 'click', '--repeat', times, '--delay', 60,
            1)

    def enter(self, key, text, setter):
        self.click(key)
        xdo('key', 'ctrl+a', 'type', '--delay', 10, '--', text)
        until(lambda: self.text(key), lambda t: t == text, f'{key} holds {text}')
        self.click(setter)

    def press(self, key):
        self[key].queryAction().doAction(0)

    def dialogs(self):
        return [c for c in self.acc if c and c.name != 'Form1']

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
        return self.process.wait(10)


def xdo(*args):
    return run('xdotool', *map(str, args))


def clipboard(text=None):
    if text is None:
        return run('xclip', '-o', '-selection', 'clipboard')
    # xclip stays on to serve the text, so it must not hold our output.
    subprocess.run(['xclip', '-i', '-selection', 'clipboard'], input=text.encode(), env=ENV,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def copy_after(*keys):
    clipboard('(nothing)')
    xdo('key', '--delay', 30, *keys)
    return until(clipboard, lambda c: c != '(nothing)', 'something is copied')


def outer(window):
    info = dict(l.strip().split(': ', 1) for l in run('xwininfo', '-id', window).splitlines()
                if ': ' in l)
    extents = run('xprop', '-id', window, '_NET_FRAME_EXTENTS').partition('=')[2]
    left, right, top, bottom = map(int, extents.split(',')) if extents else (0,) * 4
    return (int(info['Absolute upper-left X']) - left, int(info['Absolute upper-left Y']) - top,
            int(info['Width']) + left + right, int(info['Height']) + top + bottom)


def check_geometry(app):
    window = until(lambda: xdo('search', '--pid', app.process.pid, '--name', '^Form1$').split(),
                   bool, 'the X window')[0]
    until(lambda: outer(window), lambda g: g == (193, 114, 870, 500), 'outer frame 870x500+193+114')
    xdo('windowsize', window, 700, 400)
    size = until(lambda: outer(window)[2:], lambda g: g != (870, 500), 'the user resizes it')
    xdo('windowminimize', '--sync', window, 'windowactivate', '--sync', window)
    steady(lambda: outer(window)[2:], f'the user size {size} stays after minimise and restore')


def check_copy(app):
    app.click('abs', 2)
    lines = until(app.lines, lambda l: len(l) == 3 and l[2].startswith('Abs'), 'lines logged')
    # Qt reports every character of the log on the first line's row, so the
    # first line is found by its box and the last one by a click below the text.
    x, y, w, h = app['log'].queryText().getCharacterExtents(0, pyatspi.DESKTOP_COORDS)
    for row, line in ((y + h // 2, lines[0]), (y + h * 8, lines[-1])):
        xdo('mousemove', '--sync', x + 10, row, 'click', '--repeat', 3, '--delay', 80, 1)
        copied = copy_after('ctrl+c')
        check(copied == line, f'triple-click, Ctrl+C copy the one line {line!r} (got {copied!r})')
    app.press('abs')
    until(app.lines, lambda l: len(l) == 4, 'Abs logs a line')
    copied = copy_after('ctrl+c')
    check(copied == lines[-1], f'a new line does not join the selection (got {copied!r})')
    copied = copy_after('ctrl+a', 'ctrl+c')
    check(copied == '\n'.join(app.lines()), f'copying all gives lines and \\n (got {copied!r})')


def check_error(app):
    def display(message):
        dialog = until(app.dialogs, bool, 'the error display opens')[0]
        texts = [a.name for a in pyatspi.findAllDescendants(dialog, lambda a: True)]
        check(dialog.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG) and message in texts,
              f'a {dialog.getRoleName()} says {message[:80]!r} (has {[t[:80] for t in texts]})')
        return dialog
    app.enter('x1', '<h1>H</h1>', 'set1')
    display("'<h1>H</h1>' is not a valid floating point value")
    xdo('key', 'Return')
    until(app.dialogs, lambda d: not d, 'Return dismisses it')
    clipboard('ab' * 100000)
    app.click('x1')
    xdo('key', 'ctrl+a', 'ctrl+v')
    until(lambda: app['x1'].queryText().characterCount, lambda n: n == 200000, 'it is pasted')
    lines, start = app.lines(), time.monotonic()
    app.click('set1')
    dialog = display("'" + 'ab' * 32 + "\u2026' is not a valid floating point value")
    print(f'measured: the display opens {time.monotonic() - start:.3f} s after the click')
    x, y, w, h = dialog.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    check(x >= 0 and y >= 0 and x + w <= 1280 and y + h <= 1024, f'it fits the screen: {w}x{h}')
    app.press('abs')
    steady(lambda: (app.lines(), len(app.dialogs())), 'Abs over AT-SPI runs nothing meanwhile')
    xdo('key', 'Return')
    until(app.dialogs, lambda d: not d, 'Return dismisses it')
    check(app.lines() == lines, 'no line was logged')


def check_follow(app):
    tall = lambda a: a.getRole() == pyatspi.ROLE_SCROLL_BAR and a.queryComponent().getSize()[1] > 50
    bar = until(lambda: pyatspi.findDescendant(app['log'], tall), bool, 'scroll bar').queryValue()
    app.click('abs', 40)
    until(lambda: len(app.lines()), lambda n: n == 41, 'the log fills')
    app.click('log')
    xdo('key', 'ctrl+End')
    until(lambda: bar.currentValue, lambda v: v == bar.maximumValue > 0, 'Ctrl+End shows the end')
    app.click('abs', 10)
    until(lambda: len(app.lines()), lambda n: n == 51, 'more lines')
    steady(lambda: bar.maximumValue - bar.currentValue, 'the view stays at the end', 0.5)
    check(bar.currentValue == bar.maximumValue, 'the view follows new lines')


def check_reader(app):
    check((app.frame.getRoleName(), app.frame.name) == ('frame', 'Form1'),
          f'the window is frame Form1 (is {app.frame.getRoleName()} {app.frame.name!r})')
    check(app['op'].name == 'Operator', f'the operator list is named Operator ({app["op"].name!r})')
    app.press('abs')
    until(lambda: app.text('log').split('\n'), lambda l: len(l) == 2, 'the log reads with \\n')
    for key in NAMES:
        value = app.text(key) if 'Text' in app[key].get_interfaces() else '+'
        check(app[key].name not in ('', value), f'{key} is named {app[key].name!r}, not by value')


def check_nodisplay():
    unserved = next(f':{n}' for n in range(150, 250) if not os.path.exists(f'/tmp/.X{n}-lock'))
    for change, cause in (({}, 'DISPLAY'), ({'QT_QPA_PLATFORM': 'nonesuch'}, '"nonesuch"'),
                          ({'DISPLAY': unserved}, f'"{unserved}" refused')):
        env = {k: v for k, v in ENV.items() if k not in ('DISPLAY', 'WAYLAND_DISPLAY',
                                                          'QT_QPA_PLATFORM')} | change
        done = subprocess.run([PROGRAM], env=env, capture_output=True, text=True, timeout=30,
                              preexec_fn=lambda: __import__('resource').setrlimit(4, (0, 0)))
        lines = done.stderr.splitlines()
        check(done.returncode == 1 and len(lines) <= 3 and cause in lines[0],
              f'{change or "no display"}: status {done.returncode}, stderr {lines[:4]}')


def check_wayland():
    runtime, app = tempfile.mkdtemp(), None  # private, mode 0700
    env = ENV | {'XDG_RUNTIME_DIR': runtime, 'QT_QPA_PLATFORM': 'wayland', 'WAYLAND_DISPLAY': 'w0'}
    weston = subprocess.Popen(['weston', '--backend=headless-backend.so', '--socket=w0'], **QUIET,
                              env=env)
    try:
        until(lambda: os.path.exists(runtime + '/w0'), bool, 'weston listens')
        app = App(env)
        size = app.frame.queryComponent().getSize()
        print('closing with SIGTERM: the window offers no close action over AT-SPI')
        status = app.close()
        # Qt frames the window itself there (3 px sides and bottom, a 30 px title):
        # the outer 870 x 500 leaves a 864 x 467 client; unframed it is 862 x 466.
        check(size in ((864, 467), (862, 466)) and status == 0,
              f'the window is {size[0]} x {size[1]}; status {status} once closed')
    finally:
        app and app.close()  # before its compositor goes
        weston.terminate()
        shutil.rmtree(runtime, ignore_errors=True)


if ACTION in ('nodisplay', 'wayland'):
    globals()['check_' + ACTION]()
else:
    globals()['check_' + ACTION](App())
