// The statements of the scenario language, by name. Each verb parses its own
// arguments into an Action that later runs against a World.
//
// Adding a verb: write its parser in the file of the host it drives (under
// verbs/), register it in that file's add...Verbs function, and document it in
// docs/scenarios.md. A name may be two words ("expect log"): the parser tries
// the first two words of a statement before the first word alone.
#pragma once

#include "sim/scenario/ArgReader.h"
#include "sim/scenario/Script.h"

#include <functional>
#include <string>
#include <vector>

namespace sim {

// Where a statement may stand relative to `boot`.
enum class Phase { beforeBoot, anytime, afterBoot };

struct Verb {
    std::string name;
    Phase phase = Phase::anytime;
    std::string usage;                 // shown when its arguments do not parse
    std::function<Action(ArgReader& args)> parse;
    bool boots = false;                // this statement boots the device
    bool expectation = false;          // counted as an expectation in summaries
};

class VerbTable {
public:
    void add(Verb verb);
    // An `expect ...` statement: counted as an expectation in summaries.
    void addExpectation(std::string name, Phase phase, std::string usage,
                        std::function<Action(ArgReader& args)> parse);
    const Verb* find(const std::string& name) const;
    const std::vector<Verb>& verbs() const { return m_verbs; }

private:
    std::vector<Verb> m_verbs;
};

// The full language: every verb of every host.
const VerbTable& scenarioVerbs();

} // namespace sim
