// The start-up repair of the template choice: a home whose stored plug-in is gone (or was never
// chosen) gets the first template of the plug-ins there are, so every day page has a writer.
#pragma once

namespace orrivan {

// When "DllPath" is empty or its plug-in is not found in the plug-in folders (the same lookup as
// loading), stores the first template in title order with colour pattern 7; with no plug-in at
// all, stores "no template" (-1). Run before any command that writes pages. True when a template
// is chosen afterwards.
bool RepairTemplateChoice();

}  // namespace orrivan
