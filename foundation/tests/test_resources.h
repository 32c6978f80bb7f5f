#pragma once
// Identifiers of the foundation tests' resources.
#define IDS_GREETING 100
#define IDS_FORMAT 101
#define IDS_OVERLONG 102  // 1100 characters, more than a load can take
#define IDS_MISSING 4000
#define IDR_SAMPLE 102
#define IDR_EMPTY 103
#define IDR_MISSING 999
