#!/usr/bin/python3
# desktop.py PROGRAM CHECK: the program as a user and a screen reader meet it, on a private desktop.
import atexit, ctypes, functools, os, random, re, resource, select, shutil, signal, sys, tempfile
import time
from operator import not_
from subprocess import DEVNULL, PIPE, Popen, run as execute

PROGRAM, CHECK = sys.argv[1:]
RUNTIME = os.environ['XDG_RUNTIME_DIR'] = tempfile.mkdtemp()  # private, mode 0700
atexit.register(shutil.rmtree, RUNTIME, True)  # once all started here has stopped


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


def start(*args, **options):  # stopped at exit, or when this script dies (PR_SET_PDEATHSIG)
    process = Popen(args, **(dict(stdin=DEVNULL, stdout=DEVNULL, stderr=DEVNULL) | options),
                    preexec_fn=lambda: ctypes.CDLL(None).prctl(1, signal.SIGTERM))
    atexit.register(lambda: process.poll() is None and (process.terminate(), process.wait(10)))
    return process


run = lambda *args: execute([*map(str, args)], capture_output=True, text=True, timeout=30).stdout
xdo = functools.partial(run, 'xdotool')


class App:  # the running program: its X window, and its controls as a reader finds them
    def __init__(self, **env):
        self.process = start(PROGRAM, stdout=None, stderr=None, env=os.environ | env)
        self.window = until(lambda: xdo('search', '--onlyvisible', '--pid', self.process.pid),
                            bool, 'its window shows', 30).split()[0]

    @functools.cache
    def find(self, name):  # a control, or the window, by the start of its name, once on the bus
        return until(lambda: next((pyatspi.findDescendant(a, lambda c: c.name.startswith(name))
                                   for a in pyatspi.Registry.getDesktop(0)
                                   if a and a.get_process_id() == self.process.pid), None),
                     bool, f'{name} seen', 30)

    def click(self, name, *then):  # then more xdotool commands
        x, y, w, h = self.find(name).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdo('mousemove', '--sync', x + w // 2, y + h // 2, 'click', 1, *then)

    def outer(self):  # the frame, openbox's frame extents included: x, y, width, height
        info = run('xwininfo', '-id', self.window, '-stats', '-wm') + 'Frame extents: 0, 0, 0, 0'
        x, y, w, h = map(int, re.findall(r'(?:Absolute upper-left .|Width|Height): +(-?\d+)', info))
        left, right, top, bottom = map(int, re.search(r'extents: (.*)', info)[1].split(','))
        return x - left, y - top, w + left + right, h + top + bottom


def check_geometry(app):
    until(app.outer, lambda g: g == (193, 114, 870, 500), 'the frame is 870x500+193+114')
    check('Icon (32 x 32)' in run('xprop', '-id', app.window, '_NET_WM_ICON'), 'a 32x32 icon')
    run('xset', 'r', 'rate', '150', '100')  # keys repeat fast
    xdo('windowactivate', '--sync', app.window)
    busy = [start(sys.executable, '-c', 'while True: pass') for _ in range(2)]  # on both cores
    log = lambda: app.find('Log').queryText().getText(0, -1).count('\n')
    # At least the lines wanted (a busy window may still be catching up), then half a second
    # with no new line.
    lines = lambda key, want: until(lambda: (log(), time.sleep(0.5), log()), lambda n: n[0] ==
                                    n[2] >= before + want, f'the log settles after {key}')[0]
    for key, held in ('Return', 1), ('KP_Enter', 1), ('space', 0):  # Space acts when let go
        before = log()  # quiet: nothing pressed yet, or the last count settled
        seen = []
        for act, want in zip([['keydown', key, 'sleep', 2], ['keyup', key],
                              ['key', '--delay', 50] + 3 * [key]], [held, 1, 4]):
            xdo(*act)
            seen.append(lines(act[:2], want) - before)
        check(seen == [held, 1, 4], f'{key} held 2 s, let go, pressed thrice: {seen} lines in all')
    app.click('Real part of the first', 'key', 'ctrl+a', 'keydown', 'x', 'sleep', 1, 'keyup', 'x')
    until(lambda: app.find('Real part of the first').queryText().characterCount, lambda n: n > 2,
          'a held letter repeats')
    [b.kill() for b in busy]
    # The wheel over the list changes it only once it has the focus, and gives it none: two
    # notches there, four Tabs from the first box onto the list, and a notch that now turns it.
    combo = app.find('Operator')
    x, y, w, h = combo.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdo('mousemove', '--sync', x + w // 2, y + h // 2, 'click', 5, 'click', 5, 'key', *4 * ['Tab'],
        'click', 5)
    until(lambda: (combo.queryText().getText(0, -1), combo.getState().contains(
        pyatspi.STATE_FOCUSED)), lambda s: s == ('minus', True), 'the wheel turns the focused list')
    xdo('windowsize', app.window, 700, 400)
    size = until(app.outer, lambda g: g[2:] != (870, 500), 'the user resizes it')[2:]
    xdo('windowminimize', '--sync', app.window, 'windowactivate', '--sync', app.window, 'sleep', 1)
    check(app.outer()[2:] == size, f'the user size {size} stays after minimise and restore')
    app.process.terminate()
    check(app.process.wait(10) == 0, 'SIGTERM closes the window as the user would: status 0')
    until(App(QT_SCALE_FACTOR='2').outer, lambda g: g[1] == 1024 - 1000 and g[0] >= 0 and
          g[0] + g[2] <= 1280 and g[1] + g[3] <= 1024 and g[2] > 1200, 'scale 2: shrunk, moved up')
    # A corner on no screen goes to the window's own. Openbox keeps a tenth of a window on the
    # screen, so no scale factor leaves the corner off it; a gap between two monitors does.
    # The toolkit takes the lower monitor for the window's own, as it holds the window's centre.
    run('xrandr', '--setmonitor', 'top', '1280/340x100/27+0+0', 'none',
        '--setmonitor', 'bottom', '1280/340x824/218+0+200', 'screen')  # Xvfb's one output
    check(run('xrandr', '--listmonitors').startswith('Monitors: 2'), 'two monitors with a gap')
    until(App().outer, lambda g: g == (193, 200, 870, 500), 'from the gap onto the lower monitor')


def check_reader(app):  # also the error display, as an alert
    xdo('windowactivate', '--sync', app.window)
    frame, combo = app.find('Form1'), app.find('Operator')  # the list shows its operator in words;
    focused = pyatspi.findAllDescendants(frame, lambda a: a.getState().contains(
        pyatspi.STATE_FOCUSED))  # one control has the focus, not the closed list's item too
    valued = combo.childCount == 1 or 'valuetext:plus' in combo.getAttributes()  # with no list
    combo.queryAction().doAction(1)  # opens the list
    items = until(lambda: combo.childCount and [i.name for i in combo[0]], bool, 'the list opens')
    xdo('key', 'Escape')
    until(lambda: combo.childCount and combo[0].getState().contains(pyatspi.STATE_SHOWING), not_,
          'the list closes')
    named = [frame.getRoleName(), frame.name, frame.description[:40], [a.name for a in focused],
             combo.getRoleName(), combo.queryText().getText(0, -1), valued, items]
    check(named == ['frame', 'Form1', 'Checks the arithmetic of complex numbers',
                    ['Exec: apply the operator'], 'combo box', 'plus', True, OPERATORS],
          f'named: {named}')
    start('xclip', '-selection', 'clipboard', stdin=PIPE, text=True).communicate('ab' * 100000)
    app.click('Real part of the first', 'key', 'ctrl+a', 'ctrl+v')
    x1 = app.find('Real part of the first').queryText()
    until(lambda: x1.characterCount, lambda n: n == 200000, 'a long text pasted')
    app.click('Set the first')
    dialogs = lambda: [w for w in frame.parent if w and w.name != 'Form1']
    dialog = until(dialogs, bool, 'the error display opens')[0]
    x, y, w, h = dialog.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    texts = [a.name for a in pyatspi.findAllDescendants(dialog, bool)]
    said = "'" + 'ab' * 32 + "\u2026' is not a valid floating point value"
    check(dialog.getRoleName() == 'alert' and said in texts and x >= 0 and y >= 0 and
          x + w <= 1280 and y + h <= 1024, f'a {dialog.getRoleName()} {texts} at {w}x{h}+{x}+{y}')
    xdo('key', 'Return')
    until(lambda: (dialogs(), app.find('Real part of the first').getState().contains(
        pyatspi.STATE_FOCUSED), x1.getSelection(0)), lambda d: d == ([], True, (0, 200000)),
        'Return dismisses it; the box it named has the focus, its text selected')
    # What a reader is told, as it comes: each item of the list it is not already on, every line
    # Exec or Abs adds and every operand Set or an in-place operator stores, once, in words, as
    # a notification that is no control or as an announcement, as each toolkit does it.
    heard, shown, gone, pump = [], [], set(), lambda: GLib.MainContext.default().iteration(False)

    def hear(e):
        if e.type.startswith('object:state-changed:showing') and not e.detail1:
            return gone.add(e.source.path)  # which may be deleted by now
        try:
            role = e.source.getRoleName()
        except GLib.GError:  # gone already
            return

        if e.type.startswith('object:state-changed:showing') and role == 'notification':
            heard.append(('said', e.source.name))
            shown.append(e.source.path)
        elif e.type.startswith('object:announcement'):
            heard.append(('said', e.any_data))
        elif e.type.startswith('object:active-descendant-changed') and role == 'combo box':
            heard.append(('item', e.any_data.name))
        elif e.type.startswith('object:text-selection-changed'):
            heard.append(('selection', e.source.name))
    pyatspi.Registry.registerEventListener(
        hear, 'object:active-descendant-changed', 'object:state-changed:showing',
        'object:announcement', 'object:text-selection-changed')
    log = app.find('Log').queryText()
    typed = lambda name, text: app.find(name).queryEditableText().setTextContents(text)
    press = lambda name: app.find(name).queryAction().doAction(0)
    for step in [
        lambda: (typed('Real part of the first', '3'), typed('Imaginary part of the first', '4')),
        lambda: press('Set the first'),
        lambda: (typed('Real part of the second', '1'), typed('Imaginary part of the second', '-2')),
        lambda: press('Set the second'),
        lambda: (busy := [start(sys.executable, '-c', 'while True: pass') for _ in range(2)],
                 app.click('Imaginary part of the second', 'key', 'Tab', 'Down', 'alt+Down'),
                 [b.kill() for b in busy]),  # Down right after Tab, on a busy machine
        ('Down', 'Return', 'Tab', 'space'),  # a pick from the open list
        lambda: log.setSelection(0, log.characterCount - 5, log.characterCount),
        ('shift+Tab', 'Up', 'Up', 'Tab', 'space'), lambda: press('Abs'),
        ('shift+Tab', 'alt+Down', 'Down', 'Down', 'Down', 'Down', 'Return', 'Tab', 'space'),
    ]:
        step() if callable(step) else xdo('key', '--delay', 100, *step)
        for _ in range(20):  # what a reader is told comes as the loop turns, as a reader hears it
            pump() or time.sleep(0.02)
    line = '(3.0000 + 4.0000i) {} (1.0000 - 2.0000i) = {}'.format
    told = [('said', 'Z1 = 3 + 4i'), ('said', 'Z2 = 1 -2i'), ('item', 'minus'),
            ('said', line('times', '11.0000 - 2.0000i')), ('selection', 'Log'),
            ('item', 'minus'), ('item', 'plus'), ('said', line('plus', '4.0000 + 2.0000i')),
            ('said', 'Absolute value = 5'), ('said', 'Z1 = 4 + 2i')]  # no selection after Exec
    until(lambda: [pump()] and heard[-len(told):], lambda h: h == told and set(shown[:-1]) <= gone,
          'what a reader hears, every notification but the last hidden')
    # The boxes and the log give their values whole: one run over a box's text, a log entry
    # by line however it wraps.
    typed('Real part of the first', '1E200')
    press('Set the first')
    xdo('key', '--delay', 100, 'shift+Tab', 'Up', 'Up', 'Up', 'Up', 'Tab', 'space')
    entry = until(lambda: log.getText(0, -1).split('\n')[-1], lambda e: len(e) > 200, 'a long line')
    at = log.getTextAtOffset(log.characterCount - 1, pyatspi.TEXT_BOUNDARY_LINE_START)
    run = app.find('Real part of the first').queryText().getAttributeRun(0, False)
    check(at[0] == entry and list(run[1:]) == [0, 5], f'by line {at[0]!r}, run {run[1:]}')


OPERATORS = ['plus', 'minus', 'times', 'divided by', 'plus assign', 'minus assign', 'times assign',
             'divide assign', 'increment', 'decrement', 'equals', 'greater than', 'less than',
             'greater or equal', 'less or equal']


def check_nodisplay(_):  # no window possible: one message naming the cause, status 1, no core
    msg = lambda cause: re.escape(
        f'complexops: cannot open a window: {cause}.\nSet DISPLAY to a running X server or '
        'WAYLAND_DISPLAY to a Wayland compositor, and leave QT_QPA_PLATFORM unset (or set it to '
        'xcb or wayland).\n')
    env = {k: v for k, v in os.environ.items() if 'DISPLAY' not in k and k != 'QT_QPA_PLATFORM'}
    unserved = next(f':{n}' for n in range(1000, 1100) if not os.path.exists(f'/tmp/.X{n}-lock')
                    and not os.path.exists(f'/tmp/.X11-unix/X{n}'))  # the others use 100 to 999
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
    for change, status, stderr in [
        ({'QT_FATAL_WARNINGS': '0'}, 1, msg('neither DISPLAY nor WAYLAND_DISPLAY is set')),
        ({'QT_DEBUG_PLUGINS': '1', 'QT_MESSAGE_PATTERN': 'told: %{type}'}, 1,  # asked for: said
         '(told: [^\n]+\n)+' + msg('neither DISPLAY nor WAYLAND_DISPLAY is set')),
        ({'QT_QPA_PLATFORM': 'nonesuch'}, 1,
         msg('the platform plugin "nonesuch" named by QT_QPA_PLATFORM is not installed')),
        ({'DISPLAY': unserved}, 1, msg(f'the X display "{unserved}" refused the connection')),
        ({'DISPLAY': f'[::1]{unserved}'}, 1,  # an address in brackets, on this machine
         msg(f'the X display "[::1]{unserved}" refused the connection')),
        ({'DISPLAY': 'garbage::x'}, 1,
         msg('the X display name "garbage::x" is not of the form [host]:number[.screen]')),
        ({'DISPLAY': 'nohost.invalid:0'}, 1,  # .invalid names no real host
         msg('the host "nohost.invalid" of the X display "nohost.invalid:0" is not known')),
        ({'WAYLAND_DISPLAY': 'none'}, 1, msg('the Wayland display "none" refused the connection')),
        ({'WAYLAND_DISPLAY': 'none', 'QT_QPA_PLATFORM': 'xcb'}, 1,  # the toolkit's words first
         '.+\n' + msg('the toolkit found no platform to show it on')),
        # A warning every Qt 6 gives, for a setting it does not know: said, then ended by the toolkit.
        ({'QT_QPA_PLATFORM': 'offscreen', 'QT_FATAL_WARNINGS': '1',
          'QT_SCALE_FACTOR_ROUNDING_POLICY': 'nonesuch'},
         -signal.SIGABRT, '(?!complexops: ).+'),
    ]:
        done = execute(PROGRAM, env=env | change, capture_output=True, text=True, timeout=30)
        check(done.returncode == status and re.fullmatch(stderr, done.stderr, re.S),
              f'{change}: status {done.returncode}, stderr {done.stderr!r}')


signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # a CTest timeout still cleans up
if CHECK != 'nodisplay':
    check(shutil.which('Xvfb') and shutil.which('openbox'), 'Xvfb and openbox are here',
          1 if os.environ.get('CI') == 'true' else 77)  # CI has them, or fails
    # Servers started side by side with -displayfd alone can share a number, so each check tries
    # its own at random: a server given a number in use ends at once, writing none.
    number = next((n for n in random.sample(range(100, 1000), 10) if (xvfb := start(
        'Xvfb', f':{n}', '-displayfd', '1', '-screen', '0', '1280x1024x24', stdout=PIPE)) and
        select.select([xvfb.stdout], [], [], 15)[0] and xvfb.stdout.readline()), None)
    check(number, 'an X server starts')
    # A session bus of its own starts an accessibility bus of its own, in the runtime directory.
    bus = start('dbus-daemon', '--session', '--nofork', '--print-address=1', stdout=PIPE, text=True)
    os.environ |= dict(DISPLAY=f':{number}', DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip(),
                       QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')

    def openbox():  # now and then openbox quits at once with status 1, saying nothing
        wm = start('openbox')
        until(lambda: wm.poll() is not None or 'window id' in run(
            'xprop', '-root', '_NET_SUPPORTING_WM_CHECK'), bool, 'openbox starts', 30)
        return wm.poll() is None
    check(any(openbox() for _ in range(3)), 'openbox manages the screen')
    import pyatspi  # noqa: E402  (it finds the bus when imported)
    from gi.repository import GLib  # noqa: E402
globals()['check_' + CHECK](None if CHECK == 'nodisplay' else App())
