// The request window test shared by the USSD reply callback and the alert
// replacements (span maxResponseTime) and the message replacements (span
// maxSMSResponseTime).
//
//   switch (testRequestWindow(maxResponseTime)) { case RequestWindow::inside: ... }
//
// A window opens when ussdRequestTime is set to now. It is "passed" once now is
// later than ussdRequestTime plus the span (the end instant itself is inside);
// a passed test clears ussdRequestTime, which closes the window for every other
// hook as well.
#pragma once

namespace quorvel::engine {

enum class RequestWindow { noRequest, passed, inside };

// The span is widened to double precision before it is added.
RequestWindow testRequestWindow(float spanSeconds);

} // namespace quorvel::engine
