// Makes layout measure text as the pictures draw it: installs, once per
// process, a Pango measurer (in the pinned picture fonts) as the platform's
// layout measurer, so a table cell's detail text gets the width it really
// takes. Called by every simulated World; safe to call again. The measurer
// lives until the process ends.
#pragma once

namespace host {

void useRenderedTextForLayout();

} // namespace host
