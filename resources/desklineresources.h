// The program's embedded resources (fonts, images, style sheets,
// certificates, translations, branding images) live in a static library.
// Call initDesklineResources() once, after the application object exists and
// before the first resource is read, so the linker keeps them and Qt
// registers them.
#pragma once

void initDesklineResources();
