#!/usr/bin/env python3
"""quorvel-app end to end through the accessibility tree, with quorveld
talking to the real ModemManager, which drives the emulated AT modem
(real_modem.py): the story of app_story.py, where the dial and the refresh
go out as AT+CUSD to the emulated network and come back as ModemManager
reads them. First the Figures page says in words that the modem ModemManager
found is disabled, then that it is ready once enabled; after the story, a
code answered by an SMS in two parts is dialled (the dialog shows it whole)
and cancelled; at the end, ModemManager stops and the page says there is no
modem. A screenshot of each
step goes to the output folder, with the logs of the harness (modemmanager/).

    quorvel_app_real_modemmanager_test.py QUORVELD QUORVEL_APP SOURCE_DIR OUTPUT_FOLDER WIDTHxHEIGHT

Exits 77 (skipped) with the reason when the real ModemManager cannot run
here (not root, no private mount namespace, ModemManager, polkitd, mmcli or
unshare missing), or when Xvfb, at-spi2-core, ImageMagick, pyatspi or the app
is missing.
"""
import sys

from app_story import CODE, MODEM_UNAVAILABLE, NO_MODEM, REPLY, AppStory, run
from private_buses import skip, wait_until
from real_modem import MODEM_EXPORT, RealModemManager

SMS_CODE = "*102#"
# Longer than one SMS: the network sends it in two parts.
SMS_REPLY = ("Minutes left 250, SMS 40. Thank you for staying with Home Mobile: "
             "your next bill comes on the first of the month, as every month.")


class RealModemManagerAppTest(AppStory):
    def start(self):
        self.modem.answer(CODE, REPLY)
        self.start_daemon()
        # The app opens while ModemManager still probes the modem.
        self.open_app()
        path = self.modem.exported_modem()
        self.daemon_says("using modem " + path, seconds=MODEM_EXPORT)
        # ModemManager leaves a modem it found disabled: nothing dials yet.
        self.state_shown(MODEM_UNAVAILABLE, seconds=MODEM_EXPORT)
        self.shot("state-modem-disabled")
        self.modem.enable(path)
        self.daemon_says("is enabled: dials go out", seconds=MODEM_EXPORT)
        self.empty_and_ready()

    def refresh(self):
        super().refresh()
        # The dial and the refresh each reached the modem once, as AT+CUSD.
        sent = self.modem.log().count('USSD string "%s"' % CODE)
        if sent != 2:
            raise AssertionError("%s reached the modem %d times, not 2:\n%s" % (CODE, sent, self.modem.log()[-4000:]))

    def dial_for_an_sms(self):
        """A code the carrier answers by SMS, in two parts: ModemManager
        announces each part, the dialog shows the message whole."""
        self.modem.request(op="answer", code=SMS_CODE, text="Request accepted",
                           sms={"sender": "900", "text": SMS_REPLY, "parts": 2})
        self.tap("push button", "Add a Code")
        self.fit("Add a Code")
        entry = self.find("text", "Code")
        self.desktop.focus(entry)
        self.desktop.type_text(SMS_CODE)
        wait_until("the code typed", lambda: self.desktop.text_of(entry) == SMS_CODE,
                   shown=lambda: self.desktop.text_of(entry))
        switch = self.find("check box", "Reply by SMS")
        self.desktop.tap(switch)
        wait_until("Reply by SMS on", lambda: switch.getState().contains(self.desktop.pyatspi.STATE_CHECKED))
        self.tap("push button", "Dial")
        self.find("label", "Reply: " + SMS_REPLY, seconds=30)
        self.find("text", "Title for 250")
        self.find("text", "Title for 40")
        self.shot("add-code-sms-reply")
        if self.modem.log().count('-> +CMTI: "SM",') != 2:
            raise AssertionError("the SMS did not come in two parts:\n" + self.modem.log()[-4000:])
        # Cancelled: nothing is saved.
        self.tap("push button", "Cancel")
        self.desktop.gone(self.app, "frame", "Add a Code")
        self.fit("Quorvel")
        if SMS_CODE in self.codes_store():
            raise AssertionError("a cancelled code reached the store:\n" + self.codes_store())

    def story(self):
        super().story()
        self.dial_for_an_sms()
        self.tap("page tab", "Figures")
        self.modem.stop_modemmanager()
        self.state_shown(NO_MODEM, seconds=30)
        self.shot("state-no-modem")


def main():
    modem = RealModemManager()
    why = modem.why_not()
    if why:
        skip(why)
    return run(RealModemManagerAppTest, sys.argv, __doc__, modem)


if __name__ == "__main__":
    sys.exit(main())
