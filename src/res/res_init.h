// Makes sure the embedded pictures and translations are registered.
#pragma once

void KestovInitResources();
