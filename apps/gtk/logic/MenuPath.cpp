#include "apps/gtk/logic/MenuPath.h"

#include "host/linux/client/MenuChoiceRules.h"

namespace quorvelapp {

void MenuPath::dialled(const std::string& code)
{
    m_code = code;
    m_choices.clear();
    m_sending.reset();
}

void MenuPath::clear()
{
    dialled("");
}

bool MenuPath::canSend() const
{
    return !m_code.empty() && !m_sending && m_choices.size() < linuxhost::kMaxMenuPathChoices;
}

bool MenuPath::sending(const std::string& choice)
{
    if (!canSend() || linuxhost::menuChoiceProblem(choice))
        return false;
    m_sending = choice;
    return true;
}

void MenuPath::answered()
{
    if (m_sending)
        m_choices.push_back(std::move(*m_sending));
    m_sending.reset();
}

void MenuPath::failed()
{
    m_sending.reset();
}

std::string MenuPath::shown() const
{
    std::string text;
    for (const std::string& choice : m_choices)
        text += (text.empty() ? "" : " › ") + choice;
    return text;
}

std::string acceptedChoiceText(std::string_view typed, size_t lengthBefore)
{
    const std::string kept = linuxhost::menuChoiceFiltered(typed);
    if (lengthBefore >= linuxhost::kMaxMenuChoiceChars)
        return {};
    return kept.substr(0, linuxhost::kMaxMenuChoiceChars - lengthBefore);
}

} // namespace quorvelapp
