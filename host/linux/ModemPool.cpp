#include "host/linux/ModemPool.h"

#include "host/linux/DaemonLog.h"

#include <algorithm>

namespace linuxhost {

namespace {

// How often retired clients are looked at: their cancelled calls end within a main-loop turn or two.
constexpr guint kReapIntervalMs = 100;
// Modems followed beside the default one: a phone has one or two, a bench a
// few sticks; more is taken for a fault of the service and not followed.
constexpr size_t kMostFollowedModems = 7;

} // namespace

ModemPool::ModemPool(platform::Device& device, GDBusConnection* systemBus, SmsMirror& mirror, std::string selector)
    : m_device(device), m_bus(systemBus), m_mirror(mirror), m_selector(std::move(selector))
{
    m_default = client(m_selector);
    m_default->onModemsChanged([this] { followModems(); });
}

ModemPool::~ModemPool()
{
    stop();
    if (m_reaper)
        g_source_remove(m_reaper);
    m_followers.clear();
    m_retired.clear();
    m_default.reset();
}

std::unique_ptr<ModemTelephony> ModemPool::client(const std::string& selector)
{
    auto made = std::make_unique<ModemTelephony>(m_device, m_bus, m_mirror, selector);
    // Through the pool's listeners, which may change after the client is made.
    made->onRefreshDue([this] {
        if (m_refresh)
            m_refresh();
    });
    made->onSimChanged([this] { simsMaybeChanged(); });
    made->onUssdText([this](const std::string& text) {
        if (m_ussdText)
            m_ussdText(text);
    });
    made->onMenu([this](const std::string& text) {
        if (m_menu)
            m_menu(text);
    });
    made->onReplySettled([this](const std::string& code, const std::string& text, bool menu) {
        if (m_replySettled)
            m_replySettled(code, text, menu);
    });
    made->onStatusChanged([this] {
        if (m_statusChanged)
            m_statusChanged();
    });
    made->onDialFailed([this](const DialFailure& failure) {
        if (m_dialFailed)
            m_dialFailed(failure);
    });
    return made;
}

void ModemPool::start()
{
    m_default->start();
}

void ModemPool::stop()
{
    m_stopped = true;
    m_default->stop();
    for (auto& [path, follower] : m_followers)
        follower->stop();
}

int ModemPool::pendingCalls() const
{
    int pending = m_default->pendingCalls();
    for (const auto& [path, follower] : m_followers)
        pending += follower->pendingCalls();
    for (const auto& retired : m_retired)
        pending += retired->pendingCalls();
    return pending;
}

void ModemPool::followModems()
{
    if (m_stopped || !m_selector.empty())
        return; // `--modem` names the only modem used
    MMManager* manager = m_default->manager();
    const std::string own = m_default->modemPath();
    std::vector<std::string> wanted;
    if (manager && !own.empty())
        for (const std::string& path : m_default->modemPaths())
            if (path != own)
                wanted.push_back(path);
    if (wanted.size() > kMostFollowedModems) {
        if (wanted.size() != m_overflowTold)
            note(std::to_string(wanted.size() + 1) + " modems: only the first " +
                 std::to_string(kMostFollowedModems + 1) + " by path are used");
        m_overflowTold = wanted.size();
        wanted.resize(kMostFollowedModems);
    } else {
        m_overflowTold = 0;
    }
    for (auto it = m_followers.begin(); it != m_followers.end();) {
        const bool keep = it->second->manager() == manager &&
                          std::find(wanted.begin(), wanted.end(), it->first) != wanted.end();
        if (keep) {
            ++it;
            continue;
        }
        if (it->first == own)
            note("modem " + own + " is the first modem now: codes without a SIM are dialled on it");
        else
            note("modem " + it->first + " is no longer followed beside " + (own.empty() ? "(none)" : own));
        // Out of the map first: retiring tells the SIM listener, which reads the followers.
        std::unique_ptr<ModemTelephony> gone = std::move(it->second);
        it = m_followers.erase(it);
        retire(std::move(gone));
    }
    for (const std::string& path : wanted) {
        if (m_followers.count(path))
            continue;
        note("modem " + path + " is followed beside " + own + ": codes of its SIM are dialled on it");
        std::unique_ptr<ModemTelephony> follower = client(path);
        ModemTelephony& added = *follower;
        m_followers.emplace(path, std::move(follower));
        added.follow(manager);
    }
    simsMaybeChanged();
}

void ModemPool::retire(std::unique_ptr<ModemTelephony> client)
{
    client->retire();
    m_retired.push_back(std::move(client));
    if (!m_reaper)
        m_reaper = g_timeout_add(kReapIntervalMs, reap, this);
}

gboolean ModemPool::reap(gpointer data)
{
    auto* self = static_cast<ModemPool*>(data);
    std::erase_if(self->m_retired, [](const std::unique_ptr<ModemTelephony>& client) { return client->pendingCalls() == 0; });
    if (!self->m_retired.empty())
        return G_SOURCE_CONTINUE;
    self->m_reaper = 0;
    return G_SOURCE_REMOVE;
}

std::vector<std::string> ModemPool::followedModems() const
{
    std::vector<std::string> paths;
    for (const auto& [path, follower] : m_followers)
        paths.push_back(path);
    return paths;
}

void ModemPool::dial(platform::Process& from, const std::string& number)
{
    m_default->dial(from, number);
}

std::vector<platform::CTSimCard> ModemPool::insertedSims() const
{
    std::vector<platform::CTSimCard> sims = m_default->insertedSims();
    for (const auto& [path, follower] : m_followers)
        for (platform::CTSimCard& sim : follower->insertedSims())
            sims.push_back(std::move(sim));
    return sims;
}

ModemTelephony* ModemPool::holding(const std::string& simId) const
{
    if (m_default->holds(simId))
        return m_default.get();
    for (const auto& [path, follower] : m_followers)
        if (follower->holds(simId))
            return follower.get();
    return nullptr;
}

void ModemPool::dialOnSim(platform::Process& from, const std::string& number, const std::string& simId)
{
    if (ModemTelephony* modem = holding(simId)) {
        if (!m_followers.empty())
            note("SIM " + simId + " is in " + modem->modemPath() + ": " + number + " is dialled there");
        modem->dialOnSim(from, number, simId);
        return;
    }
    note("SIM " + simId + (m_followers.empty() ? " is not in the modem" : " is in none of the modems") +
         ": the dial of " + number + " is dropped");
}

bool ModemPool::respond(const std::string& choice)
{
    if (m_default->menuOpen())
        return m_default->respond(choice);
    for (const auto& [path, follower] : m_followers)
        if (follower->menuOpen())
            return follower->respond(choice);
    return m_default->respond(choice);
}

bool ModemPool::ready() const
{
    if (m_default->ready())
        return true;
    return std::any_of(m_followers.begin(), m_followers.end(), [](const auto& entry) { return entry.second->ready(); });
}

void ModemPool::simsMaybeChanged()
{
    if (m_stopped || !m_default)
        return; // stopping: the clients going tell nobody
    std::vector<platform::CTSimCard> now = insertedSims();
    if (now == m_simsTold)
        return;
    m_simsTold = std::move(now);
    if (!m_stopped && m_simChanged)
        m_simChanged();
}

} // namespace linuxhost
