// The embedded pictures and translations register themselves when the
// program loads: they are linked in as whole object files, not pulled from
// an archive, so no initialisation call is needed.
#pragma once

// True when the pictures are there (a program linked without kestov_res has none).
bool KestovResourcesPresent();
