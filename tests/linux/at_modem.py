#!/usr/bin/python3
'''An emulated AT modem on a pseudo-terminal, for tests of the real ModemManager.

It answers what ModemManager's generic plugin sends while probing and
enabling a modem (ATI, +GCAP, +CGMI..., +CPIN, +CREG/+CGREG/+CEREG, +COPS,
+CSQ, +CSCS, +CPMS, +CMGF, +CNMI...), plays a network behind USSD (+CUSD, in
the charset +CSCS chose) and keeps SMS-DELIVER PDUs in a storage read with
+CMGR/+CMGL and emptied with +CMGD, announced with +CMTI.

Every command received is logged (to stderr and to the control socket's
"log"), so a test can see what ModemManager sent.

A test plays the network over a control socket (Unix stream, one JSON object
per line, one JSON reply per line):

  {"op": "answer", "code": "*100#", "text": "...", "action": 0, "delay": 0.2,
   "ucs2": false, "silent": false, "release": 5,
   "menu": {"1": {...answer...}}, "sms": {"sender": "900", "text": "...", "parts": 1}}
      how the network answers a code: after "delay" seconds "+CUSD: action,text"
      (action 1: a menu waiting for the user, answered from "menu"); "silent"
      never answers and the network releases the session ("+CUSD: 2") after
      "release" seconds; "sms" is delivered once the reply is sent.
      Codes without an answer get "Unknown request".
  {"op": "sms", "sender": "900", "text": "...", "parts": 2, "stored": false, "age": 0}
      ("age": the message's network time stamp, that many seconds ago)
      an SMS-DELIVER in "parts" concatenated parts; "stored" puts it in the
      storage without announcing it (a message from before).
  {"op": "notify", "text": "...", "action": 0}   a network-initiated USSD (1: a request)
  {"op": "release"}                              the network ends the USSD session
  {"op": "forget"}                               no code has an answer any more
  {"op": "pin", "pin": "1234"}                   the SIM asks for a PIN ("" for none)
  {"op": "charsets", "list": ["GSM"]}            the charsets +CSCS offers
  {"op": "sim", "iccid": "...", "imsi": "...", "operator": ["23410", "Name"]}
                                                 another SIM in (ModemManager reads it when it probes again)
  {"op": "log"} / {"op": "state"} / {"op": "clear-log"}

Standard library only. Run alone it prints its pty and control socket:
  python3 at_modem.py --control /tmp/modem.sock [--link /tmp/ttyEMU]
'''

import argparse
import datetime
import heapq
import itertools
import json
import os
import selectors
import socket
import sys
import time
import tty

MANUFACTURER = 'Quillmoor'
MODEL = 'Emulated AT modem'
REVISION = 'EMU-1.0'
IMEI = '356938035643809'
IMSI = '250010000000001'
ICCID = '89701010000000000001'
SMSC = '+79000000000'
HOME_OPERATOR = ('25001', 'Home Mobile')
STORAGE_SIZE = 30
MAX_LINE = 4096
MAX_CONTROL_LINE = 1 << 20
UNKNOWN_REQUEST = 'Unknown request'
CMTI_GAP = 0.6

# The GSM 03.38 default alphabet, by septet value.
GSM7 = ('@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞ\x1bÆæßÉ !"#¤%&\'()*+,-./0123456789:;<=>?'
        '¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà')
assert len(GSM7) == 128
GSM7_INDEX = {c: i for i, c in enumerate(GSM7)}


def is_gsm7(text):
    return all(c in GSM7_INDEX for c in text)


def gsm7_septets(text):
    return [GSM7_INDEX[c] for c in text]


def pack_septets(septets, fill_bits=0):
    out = bytearray()
    acc, nbits = 0, fill_bits
    for s in septets:
        acc |= s << nbits
        nbits += 7
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits > 0:
        out.append(acc & 0xFF)
    return bytes(out)


def semi_octets(digits):
    if len(digits) % 2:
        digits += 'F'
    return bytes(int(digits[i + 1] + digits[i], 16) for i in range(0, len(digits), 2))


def address(number, smsc=False):
    '''An address field: numbers in swapped BCD, others as packed GSM7 (alphanumeric).'''
    international = number.startswith('+')
    digits = number.lstrip('+')
    if digits.isdigit():
        body = bytes([0x91 if international else 0x81]) + semi_octets(digits)
        length = len(body) if smsc else len(digits)
        return bytes([length]) + body
    septets = gsm7_septets(''.join(c if c in GSM7_INDEX else '?' for c in number[:11]))
    packed = pack_septets(septets)
    return bytes([len(packed) * 2, 0xD0]) + packed


def timestamp(when):
    offset = int(when.utcoffset().total_seconds() // 900) if when.utcoffset() else 0
    tz = semi_octets('%02d' % abs(offset))
    if offset < 0:
        tz = bytes([tz[0] | 0x08])
    return semi_octets(when.strftime('%y%m%d%H%M%S')) + tz


def split_text(text, parts):
    parts = max(1, parts)
    size = -(-len(text) // parts)
    return [text[i:i + size] for i in range(0, len(text), size)] or ['']


def deliver_pdus(sender, text, parts=1, reference=0, when=None):
    '''SMS-DELIVER PDUs (SMSC included, as +CMGR shows them) for text, in parts.'''
    when = when or datetime.datetime.now(datetime.timezone.utc)
    ucs2 = not is_gsm7(text)
    pieces = split_text(text, parts)
    # A part's header takes room: 153 septets or 67 UCS2 characters a part.
    limit = lambda count: (67 if ucs2 else 153) if count > 1 else (70 if ucs2 else 160)  # noqa: E731
    while any(len(p) > limit(len(pieces)) for p in pieces):
        parts += 1
        pieces = split_text(text, parts)
    pdus = []
    for number, piece in enumerate(pieces, 1):
        udh = bytes([5, 0, 3, reference & 0xFF, len(pieces), number]) if len(pieces) > 1 else b''
        first = 0x04 | (0x40 if udh else 0)  # SMS-DELIVER, no more messages to send
        if ucs2:
            data = piece.encode('utf-16-be')
            ud, udl = udh + data, len(udh) + len(data)
        else:
            septets = gsm7_septets(piece)
            fill = (7 - (len(udh) * 8) % 7) % 7 if udh else 0
            ud = udh + pack_septets(septets, fill)
            udl = (len(udh) * 8 + fill) // 7 + len(septets)
        tpdu = (bytes([first]) + address(sender) + bytes([0, 0x08 if ucs2 else 0x00]) + timestamp(when) +
                bytes([udl]) + ud)
        pdus.append((address(SMSC, smsc=True) + tpdu).hex().upper())
    return pdus


def unquote(value):
    value = value.strip()
    if len(value) >= 2 and value[0] == '"' and value[-1] == '"':
        return value[1:-1]
    return value


def split_arguments(text):
    out, current, quoted = [], '', False
    for c in text:
        if c == '"':
            quoted = not quoted
        if c == ',' and not quoted:
            out.append(current)
            current = ''
        else:
            current += c
    out.append(current)
    return [a.strip() for a in out]


def split_commands(line):
    '''"AT+COPS=3,2;+COPS?" -> ["+COPS=3,2", "+COPS?"]; ';' inside quotes is kept.'''
    body = line[2:] if line[:2].upper() == 'AT' else line
    out, current, quoted = [], '', False
    for c in body:
        if c == '"':
            quoted = not quoted
        if c == ';' and not quoted:
            out.append(current)
            current = ''
        else:
            current += c
    out.append(current)
    return [c.strip() for c in out if c.strip()] or ['']


class Modem:
    '''identity: {"name", "imei", "imsi", "iccid", "operator": [code, name]}, each
    defaulting to the module's; loop: another Modem whose selector and timers
    this one shares, so that one run() serves both (two modems, one process).'''

    def __init__(self, control_path, log=sys.stderr, identity=None, loop=None):
        self.log_file = log
        identity = identity or {}
        self.name = identity.get('name', 'at_modem')
        self.imei = identity.get('imei', IMEI)
        self.imsi = identity.get('imsi', IMSI)
        self.iccid = identity.get('iccid', ICCID)
        self.home_operator = tuple(identity.get('operator', HOME_OPERATOR))
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        tty.setraw(self.master)
        self.pty_name = os.ttyname(self.slave)
        os.set_blocking(self.master, False)
        self.selector = loop.selector if loop else selectors.DefaultSelector()
        self.selector.register(self.master, selectors.EVENT_READ, self.on_tty)
        self.control_path = control_path
        if os.path.exists(control_path):
            os.unlink(control_path)
        self.control = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.control.bind(control_path)
        self.control.listen(8)
        self.control.setblocking(False)
        self.selector.register(self.control, selectors.EVENT_READ, self.on_accept)
        self.timers = loop.timers if loop else []
        self.timer_seq = loop.timer_seq if loop else itertools.count()
        self.input = b''
        self.commands = []
        self.extra_ops = {}
        self.reset_state()

    def reset_state(self):
        self.echo = False
        self.charset = 'GSM'
        self.charsets = ['IRA', 'GSM', 'UCS2']
        self.cops_format = 0
        self.pin = ''
        self.unlocked = True
        self.cfun = 1
        self.answers = {}
        self.session = 'idle'  # idle, network (a reply is due), user (a menu waits)
        self.session_menu = {}
        self.session_token = 0
        self.storage = {}  # index -> [stat, pdu]
        self.reference = 0
        self.registration = {'creg': 0, 'cgreg': 0, 'cereg': 0}

    # --- plumbing ------------------------------------------------------------

    def note(self, text):
        print('%.3f %s: %s' % (time.monotonic(), self.name, text), file=self.log_file, flush=True)

    def write(self, text):
        data = text.encode('utf-8', 'replace')
        while data:
            try:
                n = os.write(self.master, data)
                data = data[n:]
            except BlockingIOError:
                time.sleep(0.001)

    def respond(self, lines, result='OK'):
        # Information lines as a modem sends them: one block, lines apart by <CR><LF>.
        out = '\r\n%s\r\n' % '\r\n'.join(lines) if lines else ''
        self.write(out + '\r\n%s\r\n' % result)

    def unsolicited(self, line):
        self.note('-> %s' % line)
        self.write('\r\n%s\r\n' % line)

    def after(self, seconds, callback):
        heapq.heappush(self.timers, (time.monotonic() + seconds, next(self.timer_seq), callback))

    def run(self, until=lambda: False):
        while not until():
            timeout = None
            if self.timers:
                timeout = max(0, self.timers[0][0] - time.monotonic())
            for key, _ in self.selector.select(timeout if timeout is not None else 1.0):
                key.data(key.fileobj)
            now = time.monotonic()
            while self.timers and self.timers[0][0] <= now:
                _, _, callback = heapq.heappop(self.timers)
                callback()

    # --- the serial side ---------------------------------------------------

    def on_tty(self, fd):
        try:
            data = os.read(self.master, 4096)
        except (BlockingIOError, OSError):
            return
        self.input += data
        while True:
            end = min((i for i in (self.input.find(b'\r'), self.input.find(b'\n')) if i >= 0), default=-1)
            if end < 0:
                if len(self.input) > MAX_LINE:
                    self.note('dropping an overlong line')
                    self.input = b''
                break
            line, self.input = self.input[:end], self.input[end + 1:]
            text = line.decode('latin-1').strip()
            if text:
                self.on_line(text)

    def on_line(self, line):
        self.commands.append(line)
        self.note('<- %s' % line)
        if self.echo:
            self.write(line + '\r')
        if line[:2].upper() != 'AT':
            self.respond([], 'ERROR')
            return
        lines = []
        for command in split_commands(line):
            try:
                result = self.command(command)
            except (ValueError, IndexError) as e:  # a malformed argument is an error, never fatal
                self.note('malformed %s: %s' % (command, e))
                result = [], 'ERROR'

            if result is None:
                self.note('-> ERROR (unknown %s)' % command)
                self.respond(lines, 'ERROR')
                return
            out, status = result
            lines += out
            if status != 'OK':
                self.note('-> %s' % status)
                self.respond(lines, status)
                return
        self.note('-> %s OK' % ' | '.join(lines))
        self.respond(lines)

    def command(self, command):
        '''(lines, status) for one command; None for an unknown one (ERROR).'''
        upper = command.upper()
        if upper in ('', 'Z', '&F', 'E0 V1', 'V1', 'X4 &C1', 'Q0', '&C1', '&D2', 'S0=0'):
            return [], 'OK'
        if upper.startswith('E'):
            if upper in ('E0', 'E1', 'E0V1', 'E1V1', 'E0 V1'):
                self.echo = upper.startswith('E1')
                return [], 'OK'
        if upper == 'I':
            return ['%s %s' % (MANUFACTURER, MODEL), 'Revision: %s' % REVISION], 'OK'
        if upper == '+GCAP':
            return ['+GCAP: +CGSM,+DS,+ES'], 'OK'
        if upper in ('+CGMI', '+GMI'):
            return [MANUFACTURER], 'OK'
        if upper in ('+CGMM', '+GMM'):
            return [MODEL], 'OK'
        if upper in ('+CGMR', '+GMR'):
            return [REVISION], 'OK'
        if upper in ('+CGSN', '+GSN'):
            return [self.imei], 'OK'
        if upper == '+CMEE=1' or upper == '+CMEE=2':
            return [], 'OK'
        if upper == '+CPIN?':
            return ['+CPIN: %s' % ('READY' if self.unlocked else 'SIM PIN')], 'OK'
        if upper.startswith('+CPIN='):
            given = unquote(split_arguments(command[6:])[0])
            if self.unlocked:
                return [], 'OK'
            if given == self.pin:
                self.unlocked = True
                return [], 'OK'
            return [], '+CME ERROR: 16'
        if upper.startswith('+CLCK="SC",2'):
            return ['+CLCK: %d' % (1 if self.pin else 0)], 'OK'
        if not self.unlocked and upper in ('+CIMI', '+CNUM', '+CPMS=?', '+CPMS?') or \
                not self.unlocked and upper.startswith(('+CRSM', '+CUSD=1,', '+CMG', '+CPMS')):
            return [], '+CME ERROR: 11'
        if upper == '+CIMI':
            return [self.imsi], 'OK'
        if upper.startswith('+CRSM='):
            return self.crsm(split_arguments(command[6:]))
        if upper == '+CFUN?':
            return ['+CFUN: %d' % self.cfun], 'OK'
        if upper.startswith('+CFUN='):
            self.cfun = int(split_arguments(command[6:])[0] or 1)
            return [], 'OK'
        for name in ('CREG', 'CGREG', 'CEREG'):
            if upper == '+%s=?' % name:
                return ['+%s: (0-2)' % name], 'OK'
            if upper.startswith('+%s=' % name):
                self.registration[name.lower()] = int(split_arguments(command[len(name) + 2:])[0] or 0)
                return [], 'OK'
            if upper == '+%s?' % name:
                mode = self.registration[name.lower()]
                if mode == 2:
                    return ['+%s: 2,1,"1A2B","01C3D4E5",7' % name], 'OK'
                return ['+%s: %d,1' % (name, mode)], 'OK'
        if upper == '+COPS?':
            code, name = self.home_operator
            shown = '"%s"' % (code if self.cops_format == 2 else self.encode_text(name))
            return ['+COPS: 0,%d,%s,7' % (self.cops_format, shown)], 'OK'
        if upper.startswith('+COPS=3,'):
            self.cops_format = int(command[8:] or 0)
            return [], 'OK'
        if upper.startswith('+COPS='):
            return [], 'OK'
        if upper == '+CSQ':
            return ['+CSQ: 20,99'], 'OK'
        if upper == '+CSCS=?':
            return ['+CSCS: (%s)' % ','.join('"%s"' % c for c in self.charsets)], 'OK'
        if upper == '+CSCS?':
            return ['+CSCS: "%s"' % self.charset], 'OK'
        if upper.startswith('+CSCS='):
            wanted = unquote(command[6:]).upper()
            if wanted not in self.charsets:
                return [], '+CME ERROR: 4'
            self.charset = wanted
            return [], 'OK'
        if upper == '+CMGF=?':
            return ['+CMGF: (0,1)'], 'OK'
        if upper == '+CMGF?':
            return ['+CMGF: 0'], 'OK'
        if upper == '+CMGF=0':
            return [], 'OK'
        if upper == '+CSMS?':
            return ['+CSMS: 0,1,1,1'], 'OK'
        if upper.startswith('+CSMS='):
            return ['+CSMS: 1,1,1'], 'OK'
        if upper == '+CNMI=?':
            return ['+CNMI: (0-2),(0-3),(0,2),(0-2),(0,1)'], 'OK'
        if upper.startswith('+CNMI='):
            return [], 'OK'
        if upper == '+CPMS=?':
            return ['+CPMS: ("SM"),("SM"),("SM")'], 'OK'
        if upper == '+CPMS?':
            used = len(self.storage)
            return ['+CPMS: "SM",%d,%d,"SM",%d,%d,"SM",%d,%d' % ((used, STORAGE_SIZE) * 3)], 'OK'
        if upper.startswith('+CPMS='):
            used = len(self.storage)
            return ['+CPMS: %d,%d,%d,%d,%d,%d' % ((used, STORAGE_SIZE) * 3)], 'OK'
        if upper.startswith('+CMGL'):
            return self.cmgl(command[6:] if upper.startswith('+CMGL=') else '4')
        if upper.startswith('+CMGR='):
            return self.cmgr(command[6:])
        if upper.startswith('+CMGD='):
            args = split_arguments(command[6:])
            if len(args) > 1 and args[1].strip() in ('1', '2', '3', '4'):
                self.storage.clear()
            else:
                self.storage.pop(int(args[0] or -1), None)
            return [], 'OK'
        if upper == '+CUSD=?':
            return ['+CUSD: (0-2)'], 'OK'
        if upper == '+CUSD?':
            return ['+CUSD: 1'], 'OK'
        if upper.startswith('+CUSD='):
            return self.cusd(split_arguments(command[6:]))
        return None

    # --- SIM ---------------------------------------------------------------

    def crsm(self, args):
        # 176 READ BINARY of EF_ICCID (0x2FE2); anything else is not on this SIM.
        if len(args) >= 2 and args[0] == '176' and args[1] == '12258':
            return ['+CRSM: 144,0,"%s"' % semi_octets(self.iccid).hex().upper()], 'OK'
        return ['+CRSM: 106,130'], 'OK'

    # --- SMS ---------------------------------------------------------------

    def cmgl(self, argument):
        wanted = unquote(argument.strip()) or '4'
        lines = []
        for index in sorted(self.storage):
            stat, pdu = self.storage[index]
            if wanted not in ('4', str(stat)):
                continue
            lines += ['+CMGL: %d,%d,,%d' % (index, stat, self.tpdu_length(pdu)), pdu]
        return lines, 'OK'

    def cmgr(self, argument):
        try:
            index = int(argument.strip())
        except ValueError:
            return [], '+CMS ERROR: 321'
        if index not in self.storage:
            return [], '+CMS ERROR: 321'
        stat, pdu = self.storage[index]
        self.storage[index][0] = 1  # read
        return ['+CMGR: %d,,%d' % (stat, self.tpdu_length(pdu)), pdu], 'OK'

    @staticmethod
    def tpdu_length(pdu):
        smsc_length = int(pdu[:2], 16)
        return len(pdu) // 2 - 1 - smsc_length

    def store(self, sender, text, parts, announce, age=0):
        self.reference = (self.reference + 1) % 256
        indexes = []
        when = datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(seconds=age)
        for pdu in deliver_pdus(sender, text, parts, self.reference, when):
            index = next((i for i in range(STORAGE_SIZE) if i not in self.storage), None)
            if index is None:
                self.note('storage full: a part is dropped')
                continue
            self.storage[index] = [0, pdu]
            indexes.append(index)
        if announce:
            # Spaced out: ModemManager drops a +CMTI that comes while it reads another.
            for n, index in enumerate(indexes):
                self.after(n * CMTI_GAP, lambda index=index: self.unsolicited('+CMTI: "SM",%d' % index))
        return indexes

    # --- USSD --------------------------------------------------------------

    def encode_text(self, text):
        if self.charset == 'UCS2':
            return text.encode('utf-16-be').hex().upper()
        return text

    def decode_command(self, text):
        try:
            raw = bytes.fromhex(text)
        except ValueError:
            return text
        if self.charset == 'UCS2' and len(raw) % 2 == 0:
            return raw.decode('utf-16-be', 'replace')
        if self.charset in ('GSM', 'IRA') and all(b < 128 for b in raw):
            return ''.join(GSM7[b] for b in raw)
        return text

    def cusd_line(self, action, text):
        if is_gsm7(text):
            return '+CUSD: %d,"%s",15' % (action, self.encode_text(text))
        return '+CUSD: %d,"%s",72' % (action, text.encode('utf-16-be').hex().upper())

    def cusd(self, args):
        mode = args[0] if args else '1'
        if mode == '2':
            self.end_session('cancelled by the phone')
            return [], 'OK'
        if len(args) < 2:
            return [], 'OK'
        text = self.decode_command(unquote(args[1]))
        self.note('USSD string "%s" (session %s)' % (text, self.session))
        if self.session == 'network':
            return [], '+CME ERROR: 100'
        if self.session == 'user':
            answer = self.session_menu.get(text) or {'text': UNKNOWN_REQUEST}
        else:
            answer = self.answers.get(text) or {'text': UNKNOWN_REQUEST}
        self.session = 'network'
        self.session_token += 1
        token = self.session_token
        if answer.get('silent'):
            self.after(float(answer.get('release', 5)), lambda: self.release(token))
        else:
            self.after(float(answer.get('delay', 0.2)), lambda: self.answer(token, answer))
        return [], 'OK'

    def answer(self, token, answer):
        if token != self.session_token or self.session != 'network':
            return
        action = int(answer.get('action', 0))
        text = str(answer.get('text', ''))
        if action == 1:
            self.session = 'user'
            self.session_menu = answer.get('menu', {})
            self.after(float(answer.get('release', 30)), lambda: self.release(token))
        else:
            self.session = 'idle'
        self.unsolicited(self.cusd_line(action, text))
        sms = answer.get('sms')
        if sms:
            self.after(float(sms.get('delay', 0.3)),
                       lambda: self.store(sms.get('sender', '900'), sms.get('text', ''), int(sms.get('parts', 1)), True))

    def release(self, token):
        if token == self.session_token and self.session != 'idle':
            self.end_session('released by the network')
            self.unsolicited('+CUSD: 2')

    def end_session(self, why):
        if self.session != 'idle':
            self.note('USSD session %s' % why)
        self.session = 'idle'
        self.session_token += 1
        self.session_menu = {}

    # --- control -----------------------------------------------------------

    def on_accept(self, sock):
        try:
            client, _ = sock.accept()
        except OSError:
            return
        client.setblocking(False)
        self.selector.register(client, selectors.EVENT_READ, self.on_client)
        self.buffers = getattr(self, 'buffers', {})
        self.buffers[client.fileno()] = b''

    def on_client(self, client):
        try:
            data = client.recv(65536)
        except OSError:
            data = b''
        if not data:
            self.selector.unregister(client)
            self.buffers.pop(client.fileno(), None)
            client.close()
            return
        buffer = self.buffers[client.fileno()] + data
        if len(buffer) > MAX_CONTROL_LINE:
            buffer = b''
        while b'\n' in buffer:
            line, buffer = buffer.split(b'\n', 1)
            try:
                reply = self.control_op(json.loads(line))
            except Exception as e:  # a bad request is answered, never fatal
                reply = {'ok': False, 'error': '%s: %s' % (type(e).__name__, e)}
            client.setblocking(True)
            client.sendall(json.dumps(reply).encode() + b'\n')
            client.setblocking(False)
        self.buffers[client.fileno()] = buffer

    def control_op(self, request):
        op = request.get('op')
        self.note('control: %s' % json.dumps(request, ensure_ascii=False))
        if op in self.extra_ops:
            return self.extra_ops[op](request)
        if op == 'answer':
            self.answers[request['code']] = request
        elif op == 'sms':
            indexes = self.store(request.get('sender', '900'), request.get('text', ''), int(request.get('parts', 1)),
                                 not request.get('stored', False), float(request.get('age', 0)))
            return {'ok': True, 'indexes': indexes}
        elif op == 'notify':
            action = int(request.get('action', 0))
            self.session_token += 1
            if action == 1:
                self.session = 'user'
                self.session_menu = request.get('menu', {})
                token = self.session_token
                self.after(float(request.get('release', 30)), lambda: self.release(token))
            self.unsolicited(self.cusd_line(action, request.get('text', '')))
        elif op == 'forget':
            self.answers = {}
        elif op == 'release':
            self.release(self.session_token)
        elif op == 'pin':
            self.pin = request.get('pin', '')
            self.unlocked = not self.pin
        elif op == 'charsets':
            self.charsets = list(request['list'])
        elif op == 'sim':
            self.iccid = str(request.get('iccid', self.iccid))
            self.imsi = str(request.get('imsi', self.imsi))
            self.home_operator = tuple(request.get('operator', self.home_operator))
        elif op == 'log':
            return {'ok': True, 'commands': self.commands}
        elif op == 'clear-log':
            self.commands = []
        elif op == 'state':
            return {'ok': True, 'session': self.session, 'charset': self.charset, 'unlocked': self.unlocked,
                    'storage': {str(k): v for k, v in self.storage.items()}}
        else:
            return {'ok': False, 'error': 'unknown op %r' % op}
        return {'ok': True}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--control', required=True, help='the control socket to create')
    parser.add_argument('--link', help='a symlink to create to the pty')
    args = parser.parse_args()
    modem = Modem(args.control)
    if args.link:
        if os.path.lexists(args.link):
            os.unlink(args.link)
        os.symlink(modem.pty_name, args.link)
    print(json.dumps({'pty': modem.pty_name, 'control': args.control}), flush=True)
    modem.run()


if __name__ == '__main__':
    main()
