#!/usr/bin/python3
'''The real ModemManager on a private system bus, driving the emulated AT modem.

  real_modemmanager.py --folder DIR [--modems 2]

starts, each in a process group of its own:
  - a private system bus (dbus-daemon with real-system-bus.conf, which takes
    in the machine's policy files, so ModemManager's and polkit's rules hold);
  - the real polkitd on that bus;
  - the emulated modem (at_modem.py, in this process) on a pseudo-terminal;
  - the real ModemManager (--test-no-udev --no-auto-scan
    --initial-kernel-events) inside a private mount namespace (unshare -m)
    where a made-up sysfs on a tmpfs over /sys shows a USB modem whose
    usb-serial port ttyUSB0 (driver option1) is the pty, through a /dev of
    its own. The machine's /sys, /dev and buses are never touched.

With --modems 2 a second emulated modem (another IMEI, SIM and home network:
SECOND_MODEM) sits on a second USB device, its port ttyUSB1.

When all runs it writes DIR/ready.json: {"system_bus", "control", "pty"}, and
"control2", "pty2" for the second modem. A control socket is its modem's (see
at_modem.py); the first modem's has three more ops: "stop-modemmanager",
"start-modemmanager" and "restart-modemmanager".
Everything stops on SIGTERM or SIGINT, or when the parent goes away:
SIGTERM to each group, then SIGKILL.

By hand (as root):
  python3 tests/linux/real_modemmanager.py --folder /tmp/mm &
  export DBUS_SYSTEM_BUS_ADDRESS=$(python3 -c 'import json;print(json.load(open("/tmp/mm/ready.json"))["system_bus"])')
  mmcli -L; mmcli -m 0 -e; mmcli -m 0 --3gpp-ussd-initiate='*100#'
'''

import argparse
import ctypes
import json
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import at_modem  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
MODEMMANAGER = '/usr/sbin/ModemManager'
POLKITD = '/usr/lib/polkit-1/polkitd'
STOP_LIMIT = 8.0
PR_SET_PDEATHSIG = 1

SECOND_MODEM = {'name': 'at_modem2', 'imei': '356938035643817', 'imsi': '234100000000002',
                'iccid': '89442000000000000002', 'operator': ['23410', 'Travel Mobile']}


def die_with_parent():
    '''In a child before exec: killed if the harness dies, however it dies.'''
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w') as f:
        f.write(text)


def link(path, target):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    os.symlink(os.path.relpath(target, os.path.dirname(path)), path)


def make_sysfs(sys_root, count=1):
    '''USB modems 1-1, 1-2...: each a device, an interface bound to option, its port ttyUSB<n> (option1).'''
    s = lambda p: os.path.join(sys_root, p)  # noqa: E731
    for d in ('bus/usb/drivers/option', 'bus/usb-serial/drivers/option1', 'class/tty'):
        os.makedirs(s(d), exist_ok=True)
    for n in range(count):
        usb_device = 'devices/pci0000:00/0000:00:14.0/usb1/1-%d' % (n + 1)
        usb_interface = usb_device + '/1-%d:1.0' % (n + 1)
        serial_port = usb_interface + '/ttyUSB%d' % n
        tty = serial_port + '/tty/ttyUSB%d' % n
        serial = at_modem.IMEI if n == 0 else SECOND_MODEM['imei']
        devnum = n + 2
        for name, value in {'idVendor': 'abcd', 'idProduct': '1234', 'bcdDevice': '0100', 'busnum': '1',
                            'devnum': str(devnum), 'devpath': str(n + 1), 'bDeviceClass': '00',
                            'manufacturer': at_modem.MANUFACTURER, 'product': at_modem.MODEL, 'serial': serial,
                            'uevent': 'MAJOR=189\nMINOR=%d\nDEVNAME=bus/usb/001/%03d\nDEVTYPE=usb_device\n'
                                      'DRIVER=usb\nPRODUCT=abcd/1234/100\nTYPE=0/0/0\nBUSNUM=001\nDEVNUM=%03d\n'
                                      % (devnum - 1, devnum, devnum)}.items():
            write(s(usb_device + '/' + name), value + '\n')
        link(s(usb_device + '/subsystem'), s('bus/usb'))
        for name, value in {'bInterfaceClass': 'ff', 'bInterfaceSubClass': 'ff', 'bInterfaceProtocol': 'ff',
                            'bInterfaceNumber': '00', 'bNumEndpoints': '03',
                            'uevent': 'DEVTYPE=usb_interface\nDRIVER=option\nPRODUCT=abcd/1234/100\n'
                                      'TYPE=0/0/0\nINTERFACE=255/255/255\nMODALIAS=usb:vABCDp1234\n'}.items():
            write(s(usb_interface + '/' + name), value + '\n')
        link(s(usb_interface + '/subsystem'), s('bus/usb'))
        link(s(usb_interface + '/driver'), s('bus/usb/drivers/option'))
        write(s(serial_port + '/uevent'), 'DRIVER=option1\n')
        write(s(serial_port + '/port_number'), '0\n')
        link(s(serial_port + '/subsystem'), s('bus/usb-serial'))
        link(s(serial_port + '/driver'), s('bus/usb-serial/drivers/option1'))
        write(s(tty + '/uevent'), 'MAJOR=188\nMINOR=%d\nDEVNAME=ttyUSB%d\n' % (n, n))
        write(s(tty + '/dev'), '188:%d\n' % n)
        link(s(tty + '/subsystem'), s('class/tty'))
        link(s(tty + '/device'), s(serial_port))
        link(s('class/tty/ttyUSB%d' % n), s(tty))


def mount(*args):
    subprocess.run(['/usr/bin/mount'] + list(args), check=True)


def enter_namespace(folder, ptys, outer_namespace):
    '''Runs inside unshare -m: a made-up /sys and /dev, then ModemManager.'''
    # Never over the machine's own /sys and /dev: only in a namespace of our own.
    if os.readlink('/proc/self/ns/mnt') == outer_namespace:
        sys.exit('real_modemmanager: not in a private mount namespace; nothing mounted')
    mount('--make-rprivate', '/')
    mount('-t', 'tmpfs', '-o', 'mode=0755', 'sysfs-of-the-test', '/sys')
    ptys = ptys.split(',')
    make_sysfs('/sys', len(ptys))
    dev = os.path.join(folder, 'dev')
    os.makedirs(dev, exist_ok=True)
    mount('-t', 'tmpfs', '-o', 'mode=0755', 'dev-of-the-test', dev)
    for node in ('null', 'zero', 'full', 'random', 'urandom', 'tty'):
        if not os.path.exists('/dev/' + node):
            continue
        open(os.path.join(dev, node), 'w').close()
        mount('--bind', '/dev/' + node, os.path.join(dev, node))
    os.makedirs(os.path.join(dev, 'pts'))
    mount('--rbind', '/dev/pts', os.path.join(dev, 'pts'))
    os.symlink('pts/ptmx', os.path.join(dev, 'ptmx'))
    for n, pty in enumerate(ptys):
        os.symlink(pty, os.path.join(dev, 'ttyUSB%d' % n))
    mount('--rbind', dev, '/dev')


class Harness:
    def __init__(self, folder, modems=1):
        self.folder = os.path.abspath(folder)
        os.makedirs(self.folder, exist_ok=True)
        self.parent = os.getppid()
        self.children = {}  # name -> Popen
        self.stopping = False
        self.done = False
        self.log = open(os.path.join(self.folder, 'modem.log'), 'a', buffering=1)
        self.modem = at_modem.Modem(os.path.join(self.folder, 'control'), log=self.log)
        self.modems = [self.modem]
        if modems > 1:
            self.modems.append(at_modem.Modem(os.path.join(self.folder, 'control2'), log=self.log,
                                              identity=SECOND_MODEM, loop=self.modem))
        self.modem.extra_ops.update({
            'stop-modemmanager': lambda r: self.op(self.stop_modemmanager),
            'start-modemmanager': lambda r: self.op(self.start_modemmanager),
            'restart-modemmanager': lambda r: self.op(self.restart_modemmanager),
        })

    @staticmethod
    def op(action):
        action()
        return {'ok': True}

    def spawn(self, name, argv, env=None, **kwargs):
        out = open(os.path.join(self.folder, name + '.out'), 'a')
        child = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=kwargs.pop('stdout', out), stderr=out,
                                 env=env, start_new_session=True, preexec_fn=die_with_parent, **kwargs)
        self.children[name] = child
        write(os.path.join(self.folder, 'children.pids'), ''.join('%d\n' % c.pid for c in self.children.values()))
        return child

    def stop(self, name, then=None):
        '''SIGTERM to the child's group, SIGKILL after STOP_LIMIT; then() once it is gone.

        The modem keeps answering meanwhile: ModemManager disables it on its
        way out, and would wait for replies a blocked harness never sends.'''
        child = self.children.pop(name, None)
        if child is None:
            if then:
                then()
            return
        self.signal_group(child, signal.SIGTERM)
        deadline = time.monotonic() + STOP_LIMIT

        def check():
            if child.poll() is None:
                if time.monotonic() > deadline:
                    self.signal_group(child, signal.SIGKILL)
                self.modem.after(0.05, check)
                return
            self.signal_group(child, signal.SIGKILL)  # whatever the child left in its group
            if then:
                then()

        check()

    @staticmethod
    def signal_group(child, sig):
        try:
            os.killpg(child.pid, sig)
        except ProcessLookupError:
            pass

    def environment(self):
        env = {k: v for k, v in os.environ.items() if not k.startswith('DBUS_')}
        env['DBUS_SYSTEM_BUS_ADDRESS'] = self.bus_address
        return env

    def start_bus(self):
        bus = self.spawn('system-bus', ['/usr/bin/dbus-daemon', '--config-file=' + os.path.join(HERE, 'real-system-bus.conf'),
                                        '--nofork', '--print-address=1'], stdout=subprocess.PIPE)
        self.bus_address = bus.stdout.readline().decode().strip()
        if not self.bus_address:
            raise RuntimeError('the private system bus did not start')

    def start_polkit(self):
        self.spawn('polkitd', [POLKITD, '--no-debug'], env=self.environment())

    def start_modemmanager(self):
        if 'modemmanager' in self.children:
            return
        events = os.path.join(self.folder, 'kernel-events')
        write(events, ''.join('action=add,subsystem=tty,name=ttyUSB%d\n' % n for n in range(len(self.modems))))
        self.spawn('modemmanager', [
            '/usr/bin/unshare', '--mount', '--propagation', 'private', '--',
            sys.executable, os.path.abspath(__file__), '--namespace', self.folder,
            ','.join(m.pty_name for m in self.modems),
            os.readlink('/proc/self/ns/mnt'), '--',
            MODEMMANAGER, '--test-no-udev', '--no-auto-scan', '--initial-kernel-events=' + events, '--debug',
            '--log-level=DEBUG', '--log-timestamps'], env=self.environment())

    def stop_modemmanager(self):
        self.stop('modemmanager')

    def restart_modemmanager(self):
        self.stop('modemmanager', then=self.start_modemmanager)

    def stop_all(self, *_):
        if self.stopping:
            return
        self.stopping = True
        self.modem.after(0, lambda: self.stop('modemmanager', then=self.finish))

    def finish(self):
        # polkitd and the bus wait for nothing of the modem's: stopped in turn.
        for name in ('polkitd', 'system-bus'):
            child = self.children.pop(name, None)
            if child is None:
                continue
            self.signal_group(child, signal.SIGTERM)
            try:
                child.wait(STOP_LIMIT)
            except subprocess.TimeoutExpired:
                pass
            self.signal_group(child, signal.SIGKILL)
        self.done = True

    def watch_parent(self):
        if os.getppid() != self.parent:
            self.stop_all()
        self.modem.after(0.5, self.watch_parent)

    def run(self):
        signal.signal(signal.SIGTERM, self.stop_all)
        signal.signal(signal.SIGINT, self.stop_all)
        try:
            self.start_bus()
            self.start_polkit()
            self.start_modemmanager()
            ready = {'system_bus': self.bus_address, 'control': self.modem.control_path, 'pty': self.modem.pty_name}
            if len(self.modems) > 1:
                ready.update({'control2': self.modems[1].control_path, 'pty2': self.modems[1].pty_name})
            write(os.path.join(self.folder, 'ready.json.tmp'), json.dumps(ready))
            os.rename(os.path.join(self.folder, 'ready.json.tmp'), os.path.join(self.folder, 'ready.json'))
            self.watch_parent()
            self.modem.run(until=lambda: self.done and not self.children)
        finally:
            for child in self.children.values():  # only after a failure
                self.signal_group(child, signal.SIGKILL)


def main():
    if len(sys.argv) > 1 and sys.argv[1] == '--namespace':
        folder, pty, outer_namespace, separator = sys.argv[2:6]
        assert separator == '--'
        enter_namespace(folder, pty, outer_namespace)
        os.execv(sys.argv[6], sys.argv[6:])
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--folder', required=True)
    parser.add_argument('--modems', type=int, choices=(1, 2), default=1)
    args = parser.parse_args()
    Harness(args.folder, args.modems).run()


if __name__ == '__main__':
    main()
