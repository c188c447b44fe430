'''The emulated modem's encodings, checked against known values: a wrong PDU
would only show as a message ModemManager drops or misreads.'''

import heapq
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import at_modem  # noqa: E402


def unpack_septets(data, count, fill_bits=0):
    value = int.from_bytes(data, 'little') >> fill_bits
    return [(value >> (7 * i)) & 0x7F for i in range(count)]


class Encodings(unittest.TestCase):
    def test_septets_pack_as_in_gsm_03_38(self):
        packed = at_modem.pack_septets(at_modem.gsm7_septets('hellohello'))
        self.assertEqual(packed.hex().upper(), 'E8329BFD4697D9EC37')

    def test_fill_bits_after_a_header_keep_septets_aligned(self):
        septets = at_modem.gsm7_septets('Balance')
        packed = at_modem.pack_septets(septets, fill_bits=1)
        self.assertEqual(unpack_septets(packed, len(septets), 1), septets)

    def test_addresses(self):
        self.assertEqual(at_modem.address('900').hex().upper(), '038109F0')
        self.assertEqual(at_modem.address('+79001234567').hex().upper(), '0B919700214365F7')
        self.assertEqual(at_modem.address('+79000000000', smsc=True).hex().upper(), '07919700000000F0')
        # Alphanumeric: the length counts semi-octets of the packed text.
        self.assertEqual(at_modem.address('MTS').hex().upper(), '06D04DEA14')

    def test_commands_split_outside_quotes_only(self):
        self.assertEqual(at_modem.split_commands('AT+COPS=3,2;+COPS?'), ['+COPS=3,2', '+COPS?'])
        self.assertEqual(at_modem.split_commands('AT+CUSD=1,"*1;0#",15'), ['+CUSD=1,"*1;0#",15'])
        self.assertEqual(at_modem.split_commands('AT'), [''])
        self.assertEqual(at_modem.split_arguments('1,"a,b",15'), ['1', '"a,b"', '15'])


class Pdus(unittest.TestCase):
    def test_a_single_gsm7_message(self):
        (pdu,) = at_modem.deliver_pdus('900', 'Balance 7.00')
        tpdu = bytes.fromhex(pdu)[8:]  # after the SMSC address
        self.assertEqual(tpdu[0], 0x04)  # SMS-DELIVER, no header
        self.assertEqual(tpdu[1:5].hex().upper(), '038109F0')
        self.assertEqual(tpdu[5:7], b'\x00\x00')  # PID, DCS GSM7
        self.assertEqual(tpdu[14], 12)  # septets
        self.assertEqual(''.join(at_modem.GSM7[s] for s in unpack_septets(tpdu[15:], 12)), 'Balance 7.00')

    def test_parts_carry_one_reference_and_their_numbers(self):
        text = 'Привет, остаток 100 р. ' * 5
        pdus = at_modem.deliver_pdus('900', text, parts=2, reference=7)
        self.assertEqual(len(pdus), 2)
        decoded = ''
        for number, pdu in enumerate(pdus, 1):
            tpdu = bytes.fromhex(pdu)[8:]
            self.assertEqual(tpdu[0] & 0x40, 0x40)  # a user data header
            self.assertEqual(tpdu[6], 0x08)  # UCS2
            udl, ud = tpdu[14], tpdu[15:]
            self.assertEqual(udl, len(ud))
            self.assertEqual(ud[:6], bytes([5, 0, 3, 7, 2, number]))
            decoded += ud[6:].decode('utf-16-be')
        self.assertEqual(decoded, text)

    def test_a_long_text_takes_more_parts_than_asked(self):
        self.assertEqual(len(at_modem.deliver_pdus('900', 'x' * 160)), 1)
        # 2 x 155 would fit single messages, not parts with their header.
        self.assertEqual(len(at_modem.deliver_pdus('900', 'x' * 310)), 3)
        self.assertEqual(len(at_modem.deliver_pdus('900', 'ж' * 134)), 2)


class Commands(unittest.TestCase):
    def setUp(self):
        import tempfile
        self.folder = tempfile.TemporaryDirectory()
        self.modem = at_modem.Modem(os.path.join(self.folder.name, 'control'), log=open(os.devnull, 'w'))
        self.sent = []
        self.modem.write = self.sent.append

    def tearDown(self):
        os.close(self.modem.master)
        os.close(self.modem.slave)
        self.modem.control.close()
        self.folder.cleanup()

    def test_malformed_arguments_are_errors_and_the_modem_goes_on(self):
        for line in ('AT+CMGD=x', 'AT+CFUN=on', 'AT+CREG=?x', 'AT+CMGR='):
            self.sent.clear()
            self.modem.on_line(line)
            self.assertIn('ERROR', self.sent[-1], line)
        self.sent.clear()
        self.modem.on_line('AT')
        self.assertEqual(self.sent, ['\r\nOK\r\n'])

    def test_a_pin_locks_the_sim_until_it_is_given(self):
        self.modem.control_op({'op': 'pin', 'pin': '1234'})
        self.modem.on_line('AT+CPIN?')
        self.assertIn('+CPIN: SIM PIN', self.sent[-1])
        self.modem.on_line('AT+CPIN="0000"')
        self.assertIn('+CME ERROR: 16', self.sent[-1])
        self.modem.on_line('AT+CPIN="1234"')
        self.modem.on_line('AT+CPIN?')
        self.assertIn('+CPIN: READY', self.sent[-1])

    def test_a_code_sent_into_an_open_menu_is_taken_as_its_answer(self):
        self.modem.control_op({'op': 'notify', 'text': 'Menu', 'action': 1, 'menu': {'1': {'text': 'Done'}}})
        self.modem.on_line('AT+CUSD=1,"*100#",15')
        self.assertEqual(self.modem.session, 'network')
        self.fire(within=1.0)
        self.assertIn('+CUSD: 0,"Unknown request",15', ''.join(self.sent))
        self.assertEqual(self.modem.session, 'idle')

    def test_silence_is_released_by_the_network(self):
        self.modem.control_op({'op': 'answer', 'code': '*100#', 'silent': True, 'release': 5})
        self.modem.on_line('AT+CUSD=1,"*100#",15')
        self.fire(within=4.0)
        self.assertEqual(self.modem.session, 'network')
        self.modem.on_line('AT+CUSD=1,"*101#",15')  # the network still works on the first
        self.assertIn('ERROR', self.sent[-1])
        self.fire(within=6.0)
        self.assertEqual(self.sent[-1], '\r\n+CUSD: 2\r\n')
        self.assertEqual(self.modem.session, 'idle')

    def fire(self, within):
        '''Runs the timers due within so many seconds, as the loop would.'''
        limit = time.monotonic() + within
        while self.modem.timers and self.modem.timers[0][0] <= limit:
            heapq.heappop(self.modem.timers)[2]()


if __name__ == '__main__':
    unittest.main()
