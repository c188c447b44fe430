'''A mock ModemManager for python3-dbusmock: one modem with USSD and messaging.

The modem is /org/freedesktop/ModemManager1/Modem/0 with the interfaces
Modem, Modem.Modem3gpp, Modem.Modem3gpp.Ussd and Modem.Messaging, its SIM at
/org/freedesktop/ModemManager1/SIM/0, and received messages at
/org/freedesktop/ModemManager1/SMS/N, all found through the object manager on
/org/freedesktop/ModemManager1, with the types of ModemManager's own
interface files.

The network is played through the mock interface (org.freedesktop.DBus.Mock)
of the manager object:

  SetUssdReply(code, mode, text, sender)  how Initiate(code) is answered:
      "reply"  returns text at once;
      "sms"    returns "Request accepted" and then delivers text by SMS from sender;
      "silent" never answers (the call stays pending until its caller gives up).
      Codes without an answer fail with Core.Unsupported.
  SetUssdState(state)                     the USSD session state (1 idle, 2 active)
  SetNetworkNotification(text)            a network-initiated USSD text
  DeliverSms(sender, text)                Added(path, true) with State 2 (receiving),
                                          then State 3 (received) 300 ms later
  RemoveModem() / AddModem()              the modem goes away and comes back
  SetRegistration(state, operatorCode)    Modem3gpp.RegistrationState and OperatorCode

Like the real service, Initiate fails with Core.WrongState while a session is
active, and Cancel makes the state idle.
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
ERROR_UNSUPPORTED = 'org.freedesktop.ModemManager1.Error.Core.Unsupported'

IMEI = '356938035643809'
HOME_OPERATOR = '25001'

USSD_IDLE = 1
USSD_ACTIVE = 2
SMS_RECEIVING = 2
SMS_RECEIVED = 3
SMS_PART_DELAY_MS = 300

# Module state (one mock process plays one modem).
answers = {}
next_sms = [0]
pending_calls = []


def modem_properties():
    return {
        'Sim': dbus.ObjectPath(SIM_PATH),
        'SimSlots': dbus.Array([dbus.ObjectPath(SIM_PATH)], signature='o'),
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
        'DeviceIdentifier': 'f0e1d2c3b4a5968778695a4b3c2d1e0f0a1b2c3d',
        'Device': '/sys/devices/mock/modem0',
        'Drivers': dbus.Array(['qmi_wwan'], signature='s'),
        'Plugin': 'generic',
        'PrimaryPort': 'cdc-wdm0',
        'Ports': dbus.Array([dbus.Struct(('cdc-wdm0', dbus.UInt32(6)), signature='su')], signature='(su)'),
        'EquipmentIdentifier': IMEI,
        'UnlockRequired': dbus.UInt32(1),
        'UnlockRetries': dbus.Dictionary({}, signature='uu'),
        'State': dbus.Int32(8),
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


def modem_3gpp_properties():
    return {
        'Imei': IMEI,
        'RegistrationState': dbus.UInt32(1),
        'OperatorCode': HOME_OPERATOR,
        'OperatorName': 'Home Mobile',
        'EnabledFacilityLocks': dbus.UInt32(0),
        'SubscriptionState': dbus.UInt32(0),
        'EpsUeModeOperation': dbus.UInt32(0),
        'Pco': dbus.Array([], signature='(ubay)'),
        'InitialEpsBearer': dbus.ObjectPath('/'),
        'InitialEpsBearerSettings': dbus.Dictionary({}, signature='sv'),
        'PacketServiceState': dbus.UInt32(2),
    }


def ussd_properties():
    return {'State': dbus.UInt32(USSD_IDLE), 'NetworkNotification': '', 'NetworkRequest': ''}


def messaging_properties():
    return {
        'Messages': dbus.Array([], signature='o'),
        'SupportedStorages': dbus.Array([dbus.UInt32(2)], signature='u'),
        'DefaultStorage': dbus.UInt32(2),
    }


def sim_properties():
    return {
        'Active': True,
        'SimIdentifier': '89701010000000000001',
        'Imsi': '250010000000001',
        'Eid': '',
        'OperatorIdentifier': HOME_OPERATOR,
        'OperatorName': 'Home Mobile',
        'EmergencyNumbers': dbus.Array(['112'], signature='s'),
        'PreferredNetworks': dbus.Array([], signature='(su)'),
        'Gid1': dbus.ByteArray(b''),
        'Gid2': dbus.ByteArray(b''),
        'SimType': dbus.UInt32(1),
        'EsimStatus': dbus.UInt32(0),
        'Removability': dbus.UInt32(1),
    }


def sms_properties(sender, text, state):
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
        'Timestamp': GLib.DateTime.new_now_local().format('%Y-%m-%dT%H:%M:%S%:z'),
        'DischargeTimestamp': '',
        'DeliveryState': dbus.UInt32(256),
        'Storage': dbus.UInt32(2),
    }


def modem():
    return mockobject.objects.get(MODEM_PATH)


# --- the modem's own methods -------------------------------------------------

@dbus.service.method(USSD_IFACE, in_signature='s', out_signature='s', async_callbacks=('reply', 'error'))
def Initiate(self, command, reply, error):
    self.log(f'Initiate {command}')
    if self.props[USSD_IFACE]['State'] != USSD_IDLE:
        error(dbus.exceptions.DBusException('a USSD session is already active', name=ERROR_WRONG_STATE))
        return
    answer = answers.get(str(command))
    if answer is None:
        error(dbus.exceptions.DBusException(f'no answer to {command}', name=ERROR_UNSUPPORTED))
        return
    mode, text, sender = answer
    if mode == 'silent':
        # Kept so that the reply is never sent and the call object stays alive.
        pending_calls.append((reply, error))
        return
    if mode == 'sms':
        reply('Request accepted')
        GLib.timeout_add(100, lambda: deliver(sender, text) and False)
        return
    reply(text)


@dbus.service.method(USSD_IFACE, in_signature='s', out_signature='s')
def Respond(self, response):
    raise dbus.exceptions.DBusException('no session awaits a response', name=ERROR_WRONG_STATE)


@dbus.service.method(USSD_IFACE, in_signature='', out_signature='')
def Cancel(self):
    self.log('Cancel')
    self.UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(USSD_IDLE)})


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


def add_interface(obj, interface, properties, functions):
    obj.AddProperties(interface, dbus.Dictionary(properties, signature='sv'))
    for fn in functions:
        obj.methods.setdefault(interface, {})[fn.__name__] = (fn._dbus_in_signature, fn._dbus_out_signature, '', fn)


def add_modem(manager):
    manager.AddObject(SIM_PATH, SIM_IFACE, dbus.Dictionary(sim_properties(), signature='sv'), [])
    manager.AddObject(MODEM_PATH, MODEM_IFACE, dbus.Dictionary(modem_properties(), signature='sv'), [])
    obj = modem()
    add_interface(obj, MODEM_3GPP_IFACE, modem_3gpp_properties(), [])
    add_interface(obj, USSD_IFACE, ussd_properties(), [Initiate, Respond, Cancel])
    add_interface(obj, MESSAGING_IFACE, messaging_properties(), [List, Delete])
    manager.object_manager_emit_added(MODEM_PATH)


def deliver(sender, text):
    obj = modem()
    if obj is None:
        return False
    path = SMS_PREFIX + str(next_sms[0])
    next_sms[0] += 1
    manager = mockobject.objects[MAIN_OBJ]
    manager.AddObject(path, SMS_IFACE, dbus.Dictionary(sms_properties(sender, text, SMS_RECEIVING), signature='sv'), [])
    messages = list(obj.props[MESSAGING_IFACE]['Messages']) + [dbus.ObjectPath(path)]
    obj.UpdateProperties(MESSAGING_IFACE, {'Messages': dbus.Array(messages, signature='o')})
    obj.EmitSignal(MESSAGING_IFACE, 'Added', 'ob', [dbus.ObjectPath(path), True])

    def received():
        if path in mockobject.objects:
            mockobject.objects[path].UpdateProperties(SMS_IFACE, {'State': dbus.UInt32(SMS_RECEIVED)})
        return False

    GLib.timeout_add(SMS_PART_DELAY_MS, received)
    return True


def load(mock, parameters):
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


# --- the network, played by the tests -----------------------------------------

@dbus.service.method(MOCK_IFACE, in_signature='ssss', out_signature='')
def SetUssdReply(self, code, mode, text, sender):
    answers[str(code)] = (str(mode), str(text), str(sender))


@dbus.service.method(MOCK_IFACE, in_signature='u', out_signature='')
def SetUssdState(self, state):
    modem().UpdateProperties(USSD_IFACE, {'State': dbus.UInt32(state)})


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def SetNetworkNotification(self, text):
    modem().UpdateProperties(USSD_IFACE, {'NetworkNotification': text})


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def DeliverSms(self, sender, text):
    if not deliver(sender, text):
        raise dbus.exceptions.DBusException('there is no modem', name=ERROR_WRONG_STATE)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='')
def RemoveModem(self):
    self.object_manager_emit_removed(MODEM_PATH)
    for path in [p for p in list(mockobject.objects) if p.startswith(SMS_PREFIX)] + [MODEM_PATH, SIM_PATH]:
        self.RemoveObject(path)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='')
def AddModem(self):
    add_modem(self)


@dbus.service.method(MOCK_IFACE, in_signature='us', out_signature='')
def SetRegistration(self, state, operator_code):
    modem().UpdateProperties(MODEM_3GPP_IFACE, {'RegistrationState': dbus.UInt32(state),
                                                'OperatorCode': operator_code})
