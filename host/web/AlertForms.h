// The page's alert forms: one per titled field of the codes store, with the
// three limits the rules file holds for it, and what a submitted form stores.
// Both hosts' pages share it; it runs on the phone's thread (the device
// current), reads the codes store and writes only the rules file
// (history/AlertRules.h), announcing the change as every writer does.
//
//   state += ",\"alerts\":" + alertFormsJson();
//   PageReply reply = saveAlertForm(rule);     // 409 with the reason when refused
#pragma once

#include "history/AlertRules.h"
#include "host/web/PhoneBackend.h"

#include <string>

namespace host {

// [{"code":"*100#","index":0,"title":"Balance","below":"5.00","falling":"","stale":"24"}, ...]:
// the limits as the form shows them, "" where none is set; "rulesProblem"
// entries are not made: a rules file that cannot be read shows every form empty
// and the page says why on saving.
std::string alertFormsJson();

// Stores the field's rule as given (no limits: the field's alerts are removed).
PageReply saveAlertForm(const quorvel::history::AlertRule& rule);

} // namespace host
