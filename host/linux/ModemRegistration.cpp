// ModemTelephony's registration and SIM: the carrier and operator links (see
// Registration.h and ModemTelephony.h).
#include "host/linux/ModemTelephony.h"

#include "host/linux/DaemonLog.h"
#include "host/linux/ModemCall.h"
#include "host/linux/SimIdentity.h"
#include "platform/system/Device.h"

namespace linuxhost {

void ModemTelephony::registrationChanged(GObject*, GParamSpec*, gpointer data)
{
    static_cast<ModemTelephony*>(data)->readRegistration();
}

void ModemTelephony::simChanged(GObject*, GParamSpec*, gpointer data)
{
    static_cast<ModemTelephony*>(data)->readSim();
}

void ModemTelephony::readRegistration()
{
    // The carrier and operator links are the device's: the default modem's.
    if (!m_3gpp || m_follower)
        return;
    Registration next = m_registration;
    next.state = static_cast<uint32_t>(mm_modem_3gpp_get_registration_state(m_3gpp));
    next.operatorCode = modemText(mm_modem_3gpp_get_operator_code(m_3gpp));
    bool changed = !m_linksApplied || next.state != m_registration.state || next.operatorCode != m_registration.operatorCode ||
                   next.homeOperator != m_registration.homeOperator;
    m_registration = next;
    if (!changed)
        return;
    platform::DeviceScope on(m_device);
    if (!applyRegistration(m_registration)) {
        note("cannot point the carrier and operator links");
        return;
    }
    m_linksApplied = true;
    note("registration " + std::to_string(m_registration.state) + " on " +
         (m_registration.operatorCode.empty() ? "(no operator)" : m_registration.operatorCode) + ", home " +
         (m_registration.homeOperator.empty() ? "(unknown)" : m_registration.homeOperator) +
         (m_registration.state == kRegistrationRoaming ? ": roaming" : ""));
}

void ModemTelephony::readSim()
{
    if (!m_modem || !mm_modem_get_sim_path(m_modem) || std::string(mm_modem_get_sim_path(m_modem)) == "/") {
        if (m_sim) {
            note("the SIM is out of " + modemName());
            m_sim.reset();
            if (m_simChanged)
                m_simChanged();
        }
        return;
    }
    mm_modem_get_sim(m_modem, m_cancellable, simReady, call("SIM"));
}

void ModemTelephony::simReady(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<Call> call(static_cast<Call*>(data));
    ModemTelephony* self = call->self;
    --self->m_pending;
    GError* error = nullptr;
    MMSim* sim = mm_modem_get_sim_finish(MM_MODEM(source), result, &error);
    if (!sim) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) && self->current(*call))
            self->logError("reading the SIM", error);
        g_error_free(error);
        return;
    }
    const SimIdentity identity = simIdentity(mm_sim_get_identifier(sim), mm_sim_get_operator_identifier(sim));
    g_object_unref(sim);
    if (!self->current(*call))
        return; // the modem went away meanwhile
    if (!identity.problem.empty())
        note(identity.problem + " (" + self->modemName() + ")");
    const platform::CTSimCard& card = identity.card;
    const std::string& iccid = card.iccid;
    const std::string& home = card.homeNetwork;
    const bool changed = self->m_sim != card;
    self->m_sim = card;
    if (changed) {
        note("SIM " + (iccid.empty() ? std::string("(no ICCID)") : iccid) + " of " + (home.empty() ? std::string("(unknown network)") : home) +
             " in " + self->modemName());
        if (self->m_simChanged)
            self->m_simChanged();
    }
    self->m_registration.homeOperator = home;
    self->m_linksApplied = false;
    self->readRegistration();
}

std::vector<platform::CTSimCard> ModemTelephony::insertedSims() const
{
    if (!m_modem || !m_sim)
        return {};
    return {*m_sim};
}

bool ModemTelephony::holds(const std::string& simId) const
{
    return m_modem && m_sim && platform::CTSimMatches(*m_sim, simId);
}

void ModemTelephony::dialOnSim(platform::Process& from, const std::string& number, const std::string& simId)
{
    if (!m_sim || !platform::CTSimMatches(*m_sim, simId)) {
        note("SIM " + simId + " is not in the modem: the dial of " + number + " is dropped");
        return;
    }
    dial(from, number);
    if (m_waiting && m_waiting->code == number)
        m_waiting->simId = simId;
}

} // namespace linuxhost
