'''A mock ModemManager for python3-dbusmock: one modem with USSD and messaging,
behaving as ModemManager 1.20 does towards its clients.

The modem is /org/freedesktop/ModemManager1/Modem/0 with the interfaces
Modem, Modem.Modem3gpp, Modem.Modem3gpp.Ussd and Modem.Messaging, its SIM at
/org/freedesktop/ModemManager1/SIM/0, and received messages at
/org/freedesktop/ModemManager1/SMS/N, all found through the object manager on
/org/freedesktop/ModemManager1, with the types of ModemManager's own
interface files.

Parameters (dbusmock -p JSON), all optional:
  "state":  "enabled" (default), "disabled" or "locked". A locked modem
            (SIM PIN, unlock with Sim.SendPin("1234")) is exported with the
            Modem interface only; the others arrive by InterfacesAdded once it
            is unlocked, disabled. Modem.Enable(b) enables or disables it.
  "stored": [[sender, text, timestamp], ...] messages already in storage.
  "modems": [[iccid, operator], ...] more modems beside the first, enabled:
            Modem/1, Modem/2, ... each with its own SIM (at SIM/modemN), IMEI,
            USSD session and replies, and messaging (the "sms" replies of a
            code dialled on it arrive on it).

What the real service does and the mock does too:
  - a disabled modem's USSD State is 0 (unknown); USSD calls on it fail with
    Core.WrongState, so does Initiate while a session is not idle;
  - Initiate sets State 2 (active) and is answered BEFORE the change back to
    idle is announced: the property reads idle at once (a fresh Get), its
    PropertiesChanged comes USSD_IDLE_SIGNAL_LAG_MS later;
  - Cancel ends a pending Initiate with Core.Aborted; only the first Cancel of
    the process reaches the modem: later ones are answered while the session
    stays open (the network releases it, see ReleaseSession);
  - a code the network does not know is answered as text ("Unknown request");
  - a single-part SMS is announced (Added) at State 3 (received); one in parts
    at State 2 (receiving), then 3 once whole;
  - a disabled modem lists no messages; at every enable the messages in
    storage are listed and announced again (Added, received = true).

The network is played through the mock interface (org.freedesktop.DBus.Mock)
of the manager object:

  SetUssdReply(code, mode, text, extra)   how Initiate(code) is answered:
      "reply"     returns text;
      "menu"      returns text and leaves the session waiting for a response (State 3);
                  Respond(choice) then leads on by SetUssdChoice, or ends the
                  session with "Invalid choice" (State 1) for a choice not set;
      "sms"       returns "Request accepted", then delivers text by SMS from extra;
      "sms-parts" the same in two parts;
      "silent"    never answers (until Cancel, or the network's release);
      "fail"      fails with the error named extra, its message text.
  SetUssdChoice(code, choices, mode, text) how Respond answers the choices ("1/2",
                                          the first answering code's menu): mode
                                          "menu" (State 3 again) or "reply" (the
                                          session ends, State 1 announced late)
  SetUssdState(state)                     the USSD session state (another program's session)
  SetNetworkNotification(text)            a network-initiated USSD text
  SetNetworkRequest(text)                 a network-initiated request: State 3 until released
  ReleaseSession()                        the network ends the session (+CUSD: 2): State 1
  DeliverSms(sender, text)                a single-part SMS, dated now
  DeliverSmsAt(sender, text, timestamp)   the same with a given timestamp
  RemoveModem() / AddModem()              the modem goes away and comes back
  SetRegistration(state, operatorCode)    Modem3gpp.RegistrationState and OperatorCode
  SetRefusal(kind, error)                 polkit's answer: the USSD calls ("ussd") fail with
                                          the error named (Core.Unauthorized,
                                          DBus.Error.AccessDenied), as ModemManager answers a
                                          caller polkit refuses, before anything else is
                                          checked; "" allows them again
  SwapSim(iccid, operatorId)              another SIM in the modem: a new Sim object with that
                                          SimIdentifier and OperatorIdentifier ("" for an ICCID
                                          the modem cannot read), the modem's Sim pointing at it
  RemoveSim()                             the SIM taken out: the modem's Sim is "/"

The methods above play modem 0; these play modem N of several ("modems"):
  SetUssdReplyOn(n, code, mode, text, extra)  SetUssdReply on modem n
  SetUssdChoiceOn(n, code, choices, mode, text) SetUssdChoice on modem n
  SetUssdStateOn(n, state)                    SetUssdState on modem n
  SwapSimOn(n, iccid, operatorId)             SwapSim on modem n
  RemoveSimOn(n)                              RemoveSim on modem n
  RemoveModemAt(n) / AddModemAt(n)            modem n goes away (its SIM and messages with it) and
                                              comes back; its network replies are kept
'''

import dbus
from gi.repository import GLib

from dbusmock import MOCK_IFACE, OBJECT_MANAGER_IFACE, mockobject

BUS_NAME = 'org.freedesktop.ModemManager1'
MAIN_OBJ = '/org/freedesktop/ModemManager1'
MAIN_IFACE = 'org.freedesktop.ModemManager1'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MODEM_PATH = '/org/freedesktop/ModemManager1/Modem/0'
SIM_PATH = '/org/freedesktop/ModemManager1/SIM/0'
SMS_PREFIX = '/org/freedesktop/ModemManager1/SMS/'

MODEM_IFACE = 'org.freedesktop.ModemManager1.Modem'
MODEM_3GPP_IFACE = 'org.freedesktop.ModemManager1.Modem.Modem3gpp'
USSD_IFACE = 'org.freedesktop.ModemManager1.Modem.Modem3gpp.Ussd'
MESSAGING_IFACE = 'org.freedesktop.ModemManager1.Modem.Messaging'
SIM_IFACE = 'org.freedesktop.ModemManager1.Sim'
SMS_IFACE = 'org.freedesktop.ModemManager1.Sms'

ERROR_WRONG_STATE = 'org.freedesktop.ModemManager1.Error.Core.WrongState'
ERROR_ABORTED = 'org.freedesktop.ModemManager1.Error.Core.Aborted'
ERROR_PIN = 'org.freedesktop.ModemManager1.Error.MobileEquipment.IncorrectPassword'

IMEI = '356938035643809'
HOME_OPERATOR = '25001'
PIN = '1234'

MODEM_LOCKED = 2
MODEM_DISABLED = 3
MODEM_ENABLED = 6
MODEM_REGISTERED = 8
LOCK_NONE = 1
LOCK_SIM_PIN = 2

USSD_UNKNOWN = 0
USSD_IDLE = 1
USSD_ACTIVE = 2
USSD_USER_RESPONSE = 3
USSD_IDLE_SIGNAL_LAG_MS = 150
UNKNOWN_CODE_TEXT = 'Unknown request'

SMS_RECEIVING = 2
SMS_RECEIVED = 3
SMS_PART_DELAY_MS = 300

# Module state. Each modem's network side is a session of its own (its
# replies, open menu, pending calls and Cancel count), keyed by modem path.
sessions = {}
INVALID_CHOICE_TEXT = 'Invalid choice'
next_sms = [0]
stored = []        # (sender, text, timestamp) in storage when the mock starts
start_state = ['enabled']
refusals = {}      # 'ussd' -> the D-Bus error name polkit's refusal gives


def refuse(kind):
    name = refusals.get(kind)
    if name:
        raise dbus.exceptions.DBusException('Not authorized to perform the operation', name=name)


def session(path=MODEM_PATH):
    '''The network side of the modem at path: its answers, its open menu, ...'''
    return sessions.setdefault(str(path), {
        'answers': {},
        # (code, (choice, ...)) -> (mode, text); the open menu's code and choices so far.
        'choices': {},
        'menu': {'code': None, 'path': ()},
        'pending': [],
        'cancels': [0],
    })


def now_timestamp():
    return GLib.DateTime.new_now_local().format('%Y-%m-%dT%H:%M:%S%:z')


def modem_properties(state, lock, sim_path=SIM_PATH, imei=IMEI, index=0):
    return {
        'Sim': dbus.ObjectPath(sim_path),
        'SimSlots': dbus.Array([dbus.ObjectPath(sim_path)], signature='o'),
        'PrimarySimSlot': dbus.UInt32(1),
        'Bearers': dbus.Array([], signature='o'),
        'SupportedCapabilities': dbus.Array([dbus.UInt32(8)], signature='u'),
        'CurrentCapabilities': dbus.UInt32(8),
        'MaxBearers': dbus.UInt32(1),
        'MaxActiveBearers': dbus.UInt32(1),
        'Manufacturer': 'Quillmoor',
        'Model': 'Mock LTE',
        'Revision': '1.0',
        'HardwareRevision': '1',
        'DeviceIdentifier': 'f0e1d2c3b4a5968778695a4b3c2d1e0f0a1b2c3' + str(index),
        'Device': f'/sys/devices/mock/modem{index}',
        'Drivers': dbus.Array(['qmi_wwan'], signature='s'),
        'Plugin': 'generic',
        'PrimaryPort': 'cdc-wdm0',
        'Ports': dbus.Array([dbus.Struct(('cdc-wdm0', dbus.UInt32(6)), signature='su')], signature='(su)'),
        'EquipmentIdentifier': imei,
        'UnlockRequired': dbus.UInt32(lock),
        'UnlockRetries': dbus.Dictionary({}, signature='uu'),
        'State': dbus.Int32(state),
        'StateFailedReason': dbus.UInt32(0),
        'AccessTechnologies': dbus.UInt32(0x4000),
        'SignalQuality': dbus.Struct((dbus.UInt32(70), True), signature='ub'),
        'OwnNumbers': dbus.Array([], signature='s'),
        'PowerState': dbus.UInt32(3),
        'SupportedModes': dbus.Array([dbus.Struct((dbus.UInt32(8), dbus.UInt32(8)), signature='uu')], signature='(uu)'),
        'CurrentModes': dbus.Struct((dbus.UInt32(8), dbus.UInt32(8)), signature='uu'),
        'SupportedBands': dbus.Array([], signature='u'),
        'CurrentBands': dbus.Array([], signature='u'),
        'SupportedIpFamilies': dbus.UInt32(7),
    }


def modem_3gpp_properties(imei=IMEI, operator=HOME_OPERATOR):
    return {
        'Imei': imei,
        'RegistrationState': dbus.UInt32(1),
        'OperatorCode': operator,
        'OperatorName': 'Home Mobile',
        'EnabledFacilityLocks': dbus.UInt32(0),
        'SubscriptionState': dbus.UInt32(0),
        'EpsUeModeOperation': dbus.UInt32(0),
        'Pco': dbus.Array([], signature='(ubay)'),
        'InitialEpsBearer': dbus.ObjectPath('/'),
        'InitialEpsBearerSettings': dbus.Dictionary({}, signature='sv'),
        'PacketServiceState': dbus.UInt32(2),
    }


def ussd_properties(state):
    return {'State': dbus.UInt32(state), 'NetworkNotification': '', 'NetworkRequest': ''}


def messaging_properties(messages):
    return {
        'Messages': dbus.Array(messages, signature='o'),
        'SupportedStorages': dbus.Array([dbus.UInt32(2)], signature='u'),
        'DefaultStorage': dbus.UInt32(2),
    }


def sim_properties(iccid='89701010000000000001', operator=HOME_OPERATOR):
    return {
        'Active': True,
        'SimIdentifier': iccid,
        'Imsi': '250010000000001',
        'Eid': '',
        'OperatorIdentifier': operator,
        'OperatorName': 'Home Mobile',
        'EmergencyNumbers': dbus.Array(['112'], signature='s'),
        'PreferredNetworks': dbus.Array([], signature='(su)'),
        'Gid1': dbus.ByteArray(b''),
        'Gid2': dbus.ByteArray(b''),
        'SimType': dbus.UInt32(1),
        'EsimStatus': dbus.UInt32(0),
        'Removability': dbus.UInt32(1),
    }


def sms_properties(sender, text, state, timestamp):
    return {
        'State': dbus.UInt32(state),
        'PduType': dbus.UInt32(1),
        'Number': sender,
        'Text': text,
        'Data': dbus.ByteArray(b''),
        'SMSC': '+79000000000',
        'Validity': dbus.Struct((dbus.UInt32(0), dbus.UInt32(0, variant_level=1)), signature='uv'),
        'Class': dbus.Int32(-1),
        'TeleserviceId': dbus.UInt32(0),
        'ServiceCategory': dbus.UInt32(0),
        'DeliveryReportRequest': False,
        'MessageReference': dbus.UInt32(0),
        'Timestamp': timestamp,
        'DischargeTimestamp': '',
        'DeliveryState': dbus.UInt32(256),
        'Storage': dbus.UInt32(2),
    }


def modem():
    return mockobject.objects.get(MODEM_PATH)


def modem_path(index):
    return MODEM_PATH if int(index) == 0 else f'/org/freedesktop/ModemManager1/Modem/{int(index)}'


def modem_at(index):
    obj = mockobject.objects.get(modem_path(index))
    if obj is None:
        raise wrong_state(f'there is no modem {int(index)}')
    return obj


def modem_state(obj=None):
    return int((obj or modem()).props[MODEM_IFACE]['State'])


def ussd_state(obj=None):
    return int((obj or modem()).props[USSD_IFACE]['State'])


def wrong_state(message):
    return dbus.exceptions.DBusException(message, name=ERROR_WRONG_STATE)


def set_ussd_state_lagging(state, obj=None):
    '''The value changes now (a Get reads it), the signal comes later.'''
    obj = obj or modem()
    path = obj.path
    obj.props[USSD_IFACE]['State'] = dbus.UInt32(state)

    def announce():
        # As a coalesced change is: with the value it has by then.
        if mockobject.objects.get(path) is obj:
            now = obj.props[USSD_IFACE]['State']
            obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as',
                           [USSD_IFACE, {'State': dbus.UInt32(now, variant_level=1)}, []])
        return False

    GLib.timeout_add(USSD_IDLE_SIGNAL_LAG_MS, announce)


def end_pending_calls(name, message, path=MODEM_PATH):
    pending_calls = session(path)['pending']
    calls = list(pending_calls)
    pending_calls.clear()
    for _, error in calls:
        error(dbus.exceptions.DBusException(message, name=name))


# --- the modem's own methods -------------------------------------------------

@dbus.service.method(USSD_IFACE, in_signature='s', out_signature='s', async_callbacks=('reply', 'error'))
def Initiate(self, command, reply, error):
    self.log(f'Initiate {command}')
    if refusals.get('ussd'):
        error(dbus.exceptions.DBusException('Not authorized to perform the operation', name=refusals['ussd']))
        return
    if modem_state(self) < MODEM_ENABLED:
        error(wrong_state('Cannot initiate USSD: device not yet enabled'))
        return
    own = session(self.path)
    if ussd_state(self) != USSD_IDLE:
        error(wrong_state('Cannot initiate USSD: a session is already active'))
        return
    self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_ACTIVE)})
    mode, text, extra = own['answers'].get(str(command), ('reply', UNKNOWN_CODE_TEXT, ''))
    if mode == 'silent':
        # Kept so that the reply is never sent and the call object stays alive.
        own['pending'].append((reply, error))
        return
    if mode == 'fail':
        set_ussd_state_lagging(USSD_IDLE, self)
        error(dbus.exceptions.DBusException(text, name=extra))
        return
    if mode == 'menu':
        own['menu']['code'], own['menu']['path'] = str(command), ()
        reply(text)
        self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_USER_RESPONSE)})
        return
    if mode in ('sms', 'sms-parts'):
        reply('Request accepted')
        set_ussd_state_lagging(USSD_IDLE, self)
        parts = [text[:len(text) // 2], text[len(text) // 2:]] if mode == 'sms-parts' else [text]
        path = self.path
        GLib.timeout_add(100, lambda: deliver(extra, parts, now_timestamp(), path) and False)
        return
    reply(text)
    set_ussd_state_lagging(USSD_IDLE, self)


@dbus.service.method(USSD_IFACE, in_signature='s', out_signature='s')
def Respond(self, response):
    if modem_state(self) < MODEM_ENABLED:
        raise wrong_state('Cannot respond USSD: device not yet enabled')
    if ussd_state(self) != USSD_USER_RESPONSE:
        raise wrong_state('Cannot respond USSD: no session awaits a response')
    self.log(f'Respond {response}')
    own = session(self.path)
    menu_session = own['menu']
    code = menu_session['code']
    if code is None:
        # A network request's session: answered, then over.
        self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_IDLE), 'NetworkRequest': ''})
        return UNKNOWN_CODE_TEXT
    path = menu_session['path'] + (str(response),)
    mode, text = own['choices'].get((code, path), ('reply', INVALID_CHOICE_TEXT))
    self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_ACTIVE)})
    if mode == 'menu':
        menu_session['path'] = path
        self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_USER_RESPONSE)})
        return text
    menu_session['code'], menu_session['path'] = None, ()
    set_ussd_state_lagging(USSD_IDLE, self)
    return text


@dbus.service.method(USSD_IFACE, in_signature='', out_signature='')
def Cancel(self):
    self.log('Cancel')
    refuse('ussd')
    if modem_state(self) < MODEM_ENABLED:
        raise wrong_state('Cannot cancel USSD: device not yet enabled')
    own = session(self.path)
    own['cancels'][0] += 1
    end_pending_calls(ERROR_ABORTED, 'USSD session was cancelled', self.path)
    if own['cancels'][0] == 1:
        own['menu']['code'], own['menu']['path'] = None, ()
        self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_IDLE), 'NetworkRequest': ''})


@dbus.service.method(MESSAGING_IFACE, in_signature='', out_signature='ao')
def List(self):
    return dbus.Array(self.props[MESSAGING_IFACE]['Messages'], signature='o')


@dbus.service.method(MESSAGING_IFACE, in_signature='o', out_signature='')
def Delete(self, path):
    messages = [p for p in self.props[MESSAGING_IFACE]['Messages'] if p != path]
    self.UpdateProperties(MESSAGING_IFACE, {'Messages': dbus.Array(messages, signature='o')})
    if path in mockobject.objects:
        mockobject.objects[MAIN_OBJ].RemoveObject(path)
    self.EmitSignal(MESSAGING_IFACE, 'Deleted', 'o', [path])


@dbus.service.method(MODEM_IFACE, in_signature='b', out_signature='')
def Enable(self, enable):
    state = modem_state(self)
    if state < MODEM_DISABLED:
        raise wrong_state('Cannot enable modem: device is locked')
    if not enable:
        self.UpdateProperties(MODEM_IFACE, {'State': dbus.Int32(MODEM_DISABLED)})
        self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_UNKNOWN)})
        return
    if state >= MODEM_ENABLED:
        return
    self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_IDLE)})
    self.UpdateProperties(MODEM_IFACE, {'State': dbus.Int32(MODEM_REGISTERED)})
    # Messaging loads the storage at enable and announces every message in it.
    self.UpdateProperties(MESSAGING_IFACE, {'Messages': dbus.Array(stored_paths(), signature='o')})
    for path in self.props[MESSAGING_IFACE]['Messages']:
        self.EmitSignal(MESSAGING_IFACE, 'Added', 'ob', [dbus.ObjectPath(path), True])


@dbus.service.method(SIM_IFACE, in_signature='s', out_signature='')
def SendPin(self, pin):
    obj = modem()
    if str(pin) != PIN:
        raise dbus.exceptions.DBusException('Incorrect password', name=ERROR_PIN)
    if int(obj.props[MODEM_IFACE]['UnlockRequired']) == LOCK_NONE:
        return
    obj.UpdateProperties(MODEM_IFACE, {'UnlockRequired': dbus.UInt32(LOCK_NONE)})
    add_later_interfaces(obj, USSD_UNKNOWN)
    obj.UpdateProperties(MODEM_IFACE, {'State': dbus.Int32(MODEM_DISABLED)})


def stored_paths():
    return [dbus.ObjectPath(p) for p in sorted(mockobject.objects, key=lambda p: (len(p), p)) if p.startswith(SMS_PREFIX)]


def add_interface(obj, interface, properties, functions):
    obj.AddProperties(interface, dbus.Dictionary(properties, signature='sv'))
    for fn in functions:
        obj.methods.setdefault(interface, {})[fn.__name__] = (fn._dbus_in_signature, fn._dbus_out_signature, '', fn)


def add_later_interfaces(obj, ussd_state_now):
    '''The interfaces a modem has once its SIM is unlocked.'''
    add_interface(obj, MODEM_3GPP_IFACE, modem_3gpp_properties(), [])
    add_interface(obj, USSD_IFACE, ussd_properties(ussd_state_now), [Initiate, Respond, Cancel])
    add_interface(obj, MESSAGING_IFACE, messaging_properties([]), [List, Delete])
    added = {i: obj.props[i] for i in (MODEM_3GPP_IFACE, USSD_IFACE, MESSAGING_IFACE)}
    mockobject.objects[MAIN_OBJ].EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}',
                                            [dbus.ObjectPath(MODEM_PATH), added])


def add_sms(manager, sender, text, state, timestamp):
    path = SMS_PREFIX + str(next_sms[0])
    next_sms[0] += 1
    manager.AddObject(path, SMS_IFACE,
                      dbus.Dictionary(sms_properties(sender, text, state, timestamp), signature='sv'), [])
    return path


def add_modem(manager):
    manager.AddObject(SIM_PATH, SIM_IFACE, dbus.Dictionary(sim_properties(), signature='sv'), [])
    sim = mockobject.objects[SIM_PATH]
    sim.methods.setdefault(SIM_IFACE, {})['SendPin'] = ('s', '', '', SendPin)
    for sender, text, timestamp in stored:
        add_sms(manager, sender, text, SMS_RECEIVED, timestamp)
    state = {'enabled': MODEM_REGISTERED, 'disabled': MODEM_DISABLED, 'locked': MODEM_LOCKED}[start_state[0]]
    lock = LOCK_SIM_PIN if state == MODEM_LOCKED else LOCK_NONE
    manager.AddObject(MODEM_PATH, MODEM_IFACE, dbus.Dictionary(modem_properties(state, lock), signature='sv'), [])
    obj = modem()
    obj.methods.setdefault(MODEM_IFACE, {})['Enable'] = ('b', '', '', Enable)
    if state != MODEM_LOCKED:
        add_interface(obj, MODEM_3GPP_IFACE, modem_3gpp_properties(), [])
        add_interface(obj, USSD_IFACE, ussd_properties(USSD_IDLE if state >= MODEM_ENABLED else USSD_UNKNOWN),
                      [Initiate, Respond, Cancel])
        # The storage is read at enable: a disabled modem lists nothing yet.
        paths = stored_paths() if state >= MODEM_ENABLED else []
        add_interface(obj, MESSAGING_IFACE, messaging_properties(paths), [List, Delete])
    manager.object_manager_emit_added(MODEM_PATH)


# The modems beyond the first: index -> (iccid, operator), from the "modems" parameter.
extra_modems = {}


def add_extra_modem(manager, index):
    '''Modem N (N >= 1): enabled, with USSD and messaging, its own SIM and IMEI.'''
    iccid, operator = extra_modems[index]
    sim_path = f'/org/freedesktop/ModemManager1/SIM/modem{index}'
    manager.AddObject(sim_path, SIM_IFACE, dbus.Dictionary(sim_properties(iccid, operator), signature='sv'), [])
    path = modem_path(index)
    imei = IMEI[:-2] + f'{index:02d}'
    manager.AddObject(path, MODEM_IFACE, dbus.Dictionary(
        modem_properties(MODEM_REGISTERED, LOCK_NONE, sim_path, imei, index), signature='sv'), [])
    obj = mockobject.objects[path]
    obj.methods.setdefault(MODEM_IFACE, {})['Enable'] = ('b', '', '', Enable)
    add_interface(obj, MODEM_3GPP_IFACE, modem_3gpp_properties(imei, operator), [])
    add_interface(obj, USSD_IFACE, ussd_properties(USSD_IDLE), [Initiate, Respond, Cancel])
    add_interface(obj, MESSAGING_IFACE, messaging_properties([]), [List, Delete])
    manager.object_manager_emit_added(path)


def deliver(sender, parts, timestamp, path=MODEM_PATH):
    obj = mockobject.objects.get(path)
    if obj is None or MESSAGING_IFACE not in obj.props:
        return False
    whole = ''.join(parts)
    path = add_sms(mockobject.objects[MAIN_OBJ], sender, parts[0] if len(parts) > 1 else whole,
                   SMS_RECEIVING if len(parts) > 1 else SMS_RECEIVED, timestamp)
    messages = list(obj.props[MESSAGING_IFACE]['Messages']) + [dbus.ObjectPath(path)]
    obj.UpdateProperties(MESSAGING_IFACE, {'Messages': dbus.Array(messages, signature='o')})
    obj.EmitSignal(MESSAGING_IFACE, 'Added', 'ob', [dbus.ObjectPath(path), True])
    if len(parts) == 1:
        return True

    def received():
        if path in mockobject.objects:
            mockobject.objects[path].UpdateProperties(SMS_IFACE, {'Text': whole})
            mockobject.objects[path].UpdateProperties(SMS_IFACE, {'State': dbus.UInt32(SMS_RECEIVED)})
        return False

    GLib.timeout_add(SMS_PART_DELAY_MS, received)
    return True


def load(mock, parameters):
    start_state[0] = str(parameters.get('state', 'enabled'))
    stored.extend((str(a), str(b), str(c)) for a, b, c in parameters.get('stored', []))
    # "modems": [[iccid, operator], ...] adds modems 1, 2, ... beside the first.
    mock.AddMethods(MAIN_IFACE, [
        ('ScanDevices', '', '', ''),
        ('SetLogging', 's', '', ''),
        ('ReportKernelEvent', 'a{sv}', '', ''),
        ('InhibitDevice', 'sb', '', ''),
    ])
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({'Version': '1.20.4'}, signature='sv'))
    # As in the real service, the object manager manages modems only; SIM and
    # SMS objects are reached through the modem's properties.
    mock.AddMethod(OBJECT_MANAGER_IFACE, 'GetManagedObjects', '', 'a{oa{sa{sv}}}',
                   'ret = {dbus.ObjectPath(k): objects[k].props for k in objects.keys() '
                   'if k.startswith("/org/freedesktop/ModemManager1/Modem/")}')
    add_modem(mock)
    for index, (iccid, operator) in enumerate(parameters.get('modems', []), start=1):
        extra_modems[index] = (str(iccid), str(operator))
        add_extra_modem(mock, index)


# --- the network, played by the tests -----------------------------------------

@dbus.service.method(MOCK_IFACE, in_signature='ssss', out_signature='')
def SetUssdReply(self, code, mode, text, extra):
    session()['answers'][str(code)] = (str(mode), str(text), str(extra))


@dbus.service.method(MOCK_IFACE, in_signature='ssss', out_signature='')
def SetUssdChoice(self, code, choices, mode, text):
    session()['choices'][(str(code), tuple(str(choices).split('/')))] = (str(mode), str(text))


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def SetUssdState(self, state):
    modem().UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(state)})


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def SetNetworkNotification(self, text):
    modem().UpdateProperties(USSD_IFACE, {'NetworkNotification': text})


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def SetNetworkRequest(self, text):
    menu_session = session()['menu']
    menu_session['code'], menu_session['path'] = None, ()
    modem().UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_USER_RESPONSE), 'NetworkRequest': text})


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='')
def ReleaseSession(self):
    menu_session = session()['menu']
    menu_session['code'], menu_session['path'] = None, ()
    end_pending_calls(ERROR_ABORTED, 'USSD terminated by network')
    modem().UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_IDLE), 'NetworkRequest': ''})


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def DeliverSms(self, sender, text):
    if not deliver(str(sender), [str(text)], now_timestamp()):
        raise wrong_state('there is no modem')


@dbus.service.method(MOCK_IFACE, in_signature='sss', out_signature='')
def DeliverSmsAt(self, sender, text, timestamp):
    if not deliver(str(sender), [str(text)], str(timestamp)):
        raise wrong_state('there is no modem')


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='')
def RemoveModem(self):
    self.object_manager_emit_removed(MODEM_PATH)
    for path in [p for p in list(mockobject.objects) if p.startswith(SMS_PREFIX)] + [MODEM_PATH, SIM_PATH]:
        self.RemoveObject(path)
    stored.clear()


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='')
def AddModem(self):
    add_modem(self)


@dbus.service.method(MOCK_IFACE, in_signature='us', out_signature='')
def SetRegistration(self, state, operator_code):
    modem().UpdateProperties(MODEM_3GPP_IFACE, {'RegistrationState': dbus.UInt32(state),
                                                'OperatorCode': operator_code})


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def SetRefusal(self, kind, error):
    if str(kind) != 'ussd':
        raise dbus.exceptions.DBusException(f'no such kind of call: {kind}', name='org.freedesktop.DBus.Error.InvalidArgs')
    refusals[str(kind)] = str(error)
next_sim = [1]


def point_sim(path, obj=None):
    # dbusmock's UpdateProperties cannot wrap an object path: set and announce it here.
    obj = obj or modem()
    obj.props[MODEM_IFACE]['Sim'] = dbus.ObjectPath(path)
    obj.props[MODEM_IFACE]['SimSlots'] = dbus.Array([dbus.ObjectPath(path)], signature='o')
    obj.EmitSignal('org.freedesktop.DBus.Properties', 'PropertiesChanged', 'sa{sv}as', [
        MODEM_IFACE,
        dbus.Dictionary({'Sim': dbus.ObjectPath(path, variant_level=1),
                         'SimSlots': dbus.Array([dbus.ObjectPath(path)], signature='o', variant_level=1)},
                        signature='sv'),
        dbus.Array([], signature='s')])


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def SwapSim(self, iccid, operator_id):
    path = '/org/freedesktop/ModemManager1/SIM/' + str(next_sim[0])
    next_sim[0] += 1
    properties = sim_properties()
    properties['SimIdentifier'] = str(iccid)
    properties['OperatorIdentifier'] = str(operator_id)
    self.AddObject(path, SIM_IFACE, dbus.Dictionary(properties, signature='sv'), [])
    point_sim(path)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='')
def RemoveSim(self):
    point_sim('/')


# --- several modems: modem N (0 is the one above, 1... come from "modems") ----

@dbus.service.method(MOCK_IFACE, in_signature='ussss', out_signature='')
def SetUssdReplyOn(self, index, code, mode, text, extra):
    session(modem_path(index))['answers'][str(code)] = (str(mode), str(text), str(extra))


@dbus.service.method(MOCK_IFACE, in_signature='ussss', out_signature='')
def SetUssdChoiceOn(self, index, code, choices, mode, text):
    session(modem_path(index))['choices'][(str(code), tuple(str(choices).split('/')))] = (str(mode), str(text))


@dbus.service.method(MOCK_IFACE, in_signature='uu', out_signature='')
def SetUssdStateOn(self, index, state):
    modem_at(index).UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(state)})


@dbus.service.method(MOCK_IFACE, in_signature='uss', out_signature='')
def SwapSimOn(self, index, iccid, operator_id):
    obj = modem_at(index)
    path = '/org/freedesktop/ModemManager1/SIM/' + str(next_sim[0])
    next_sim[0] += 1
    self.AddObject(path, SIM_IFACE, dbus.Dictionary(sim_properties(str(iccid), str(operator_id)), signature='sv'), [])
    point_sim(path, obj)


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def RemoveSimOn(self, index):
    point_sim('/', modem_at(index))


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def RemoveModemAt(self, index):
    if int(index) == 0:
        RemoveModem(self)
        return
    obj = modem_at(index)
    path = modem_path(index)
    owned = [str(p) for p in obj.props[MESSAGING_IFACE]['Messages']] + [str(obj.props[MODEM_IFACE]['Sim'])]
    self.object_manager_emit_removed(path)
    for gone in [p for p in owned if p in mockobject.objects] + [path]:
        self.RemoveObject(gone)


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def AddModemAt(self, index):
    if int(index) == 0:
        add_modem(self)
    elif int(index) in extra_modems:
        add_extra_modem(self, int(index))
    else:
        raise wrong_state(f'modem {int(index)} was never described in "modems"')
