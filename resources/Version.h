// Version of the programs, shared by both version resources (version.rc2).
// Plain #defines so the resource compiler reads it too.
#pragma once

#define BEAMDESK_VERSION_MAJOR 1
#define BEAMDESK_VERSION_MINOR 0
#define BEAMDESK_VERSION_PATCH 0
#define BEAMDESK_VERSION_BUILD 0

// Must agree with the four numbers above.
#define BEAMDESK_VERSION_STRING "1.0.0.0"

#define BEAMDESK_PRODUCT_NAME "Beamdesk"
#define BEAMDESK_COMPANY_NAME "Varnholt"
#define BEAMDESK_LEGAL_COPYRIGHT "Copyright (C) 2026 Varnholt"
