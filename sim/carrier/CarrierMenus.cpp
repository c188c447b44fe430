// SimCarrier's menu sessions (see SimCarrier.h): a menu keeps the session open
// for one choice; the choice leads on by the code's script, or ends the
// session with kInvalidChoiceText.
#include "sim/carrier/SimCarrier.h"

#include "platform/system/Device.h"
#include "platform/system/Process.h"
#include "sim/world/LogCapture.h"

namespace sim {

namespace {

std::string describePath(const std::vector<std::string>& path)
{
    std::string text;
    for (const std::string& choice : path)
        text += (text.empty() ? "\"" : ", \"") + choice + "\"";
    return text;
}

} // namespace

void SimCarrier::answerByMenu(const std::string& code, const std::string& text, platform::Micros delay)
{
    m_scripts[code].ussd = UssdAnswer{text, delay, true, true};
}

bool SimCarrier::answerChoices(const std::string& code, const std::vector<std::string>& path, const std::string& text,
                               bool waitsForChoice, platform::Micros delay)
{
    if (path.empty())
        return false;
    m_scripts[code].choices[path] = UssdAnswer{text, delay, true, waitsForChoice};
    return true;
}

std::optional<std::string> SimCarrier::openMenu() const
{
    if (!m_menu)
        return std::nullopt;
    return m_menu->code;
}

void SimCarrier::deliverSessionAnswer(const std::string& code, const std::vector<std::string>& path,
                                      const UssdAnswer& answer)
{
    const std::string to = path.empty() ? code : code + " after " + describePath(path);
    if (answer.waitsForChoice) {
        m_log.note("carrier answers " + to + " by a menu: \"" + answer.text + "\"");
        const uint64_t serial = ++m_menuSerial;
        m_menu = MenuSession{code, path, serial};
        // A menu nobody answers is released by the network, not by the phone.
        m_device.schedule(m_process->mainRunLoop(), m_device.now().adding(kMenuReleaseAfter), [this, serial] {
            if (m_menu && m_menu->serial == serial)
                endMenuSession("the network releases the menu session of " + m_menu->code + " left without a choice");
        });
    } else {
        m_log.note("carrier answers " + to + " by USSD: \"" + answer.text + "\"");
    }
    deliverUssd(answer.text, true, answer.waitsForChoice);
}

void SimCarrier::respond(const std::string& choice)
{
    if (!m_menu) {
        m_log.note("carrier gets the answer \"" + choice + "\" with no menu open; it is dropped");
        return;
    }
    MenuSession session = *m_menu;
    m_menu.reset();
    session.path.push_back(choice);
    m_menuChoices.push_back(MenuChoice{session.code, session.path, m_device.now()});
    m_log.note("carrier gets the choice \"" + choice + "\" for the menu of " + session.code);

    UssdAnswer answer{kInvalidChoiceText, kDefaultChoiceDelay};
    if (const CarrierScript* found = script(session.code)) {
        auto next = found->choices.find(session.path);
        if (next != found->choices.end())
            answer = next->second;
    }
    // Fixed when the choice comes, as a dial's answer is fixed at the dial.
    m_device.schedule(m_process->mainRunLoop(), m_device.now().adding(answer.delay),
                      [this, session, answer] { deliverSessionAnswer(session.code, session.path, answer); });
}

void SimCarrier::release()
{
    if (m_menu)
        endMenuSession("the phone ends the menu session of " + m_menu->code);
}

void SimCarrier::endMenuSession(const std::string& why)
{
    m_menu.reset();
    m_log.note(why);
}

} // namespace sim
