#pragma once

// The release, in one place: the programs show and send it, their version resources carry it,
// and the build reads it from here for the setup program.
#define MARLOWICK_VERSION_NUMBERS 2, 10, 21, 2024
#define MARLOWICK_VERSION_TEXT "2.10.21.2024"
#define MARLOWICK_COMPANY_NAME "KORVEL"
#define MARLOWICK_PRODUCT_NAME "Marlowick"
