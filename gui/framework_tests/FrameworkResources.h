// Resource identifiers of the framework tests, shared by the .rc and the tests.
#pragma once

#define IDI_TEST 100
#define IDI_LARGE_ONLY 101  // a single 32 x 32 image
#define IDI_MISSING 199

// A plain dialog: an edit, OK and Cancel.
#define IDD_PLAIN 200
#define IDC_PLAIN_EDIT 201

// One of every kind of control.
#define IDD_CONTROLS 300
#define IDR_CONTROLS_MENU 301
#define IDC_EDIT_A 310
#define IDC_EDIT_B 311
#define IDC_CHECK 312
#define IDC_CHECK3 313
#define IDC_RADIO_1 314
#define IDC_RADIO_2 315
#define IDC_RADIO_3 316
#define IDC_LIST 317
#define IDC_COMBO 318
#define IDC_LISTVIEW 319
#define IDC_TRACK_H 320
#define IDC_TRACK_V 321
#define IDC_PROGRESS 322
#define IDC_SCROLL 323
#define IDC_ICON_STATIC 324
#define IDC_ICON_BUTTON 325
#define IDC_PAINT 326
#define IDC_ICON_BUTTON_2 327
#define IDM_ONE 350
#define IDM_TWO 351
#define IDM_THREE 352
#define IDC_MISSING 399

// Spin buttons and tooltips.
#define IDD_SPIN 400
#define IDC_SPIN_EDIT 401
#define IDC_SPIN 402
#define IDC_SPIN_REAL_EDIT 403
#define IDC_SPIN_REAL 404

// A tab control, and the pages it and the property sheet show.
#define IDD_TABS 500
#define IDC_TABS 501
#define IDD_PAGE_1 510
#define IDD_PAGE_2 511
#define IDD_PAGE_3 512
#define IDC_PAGE_EDIT 520
#define IDC_PAGE_CHECK 521
#define IDD_NOT_A_TEMPLATE 599

// Strings
#define IDS_CAPTION 600
#define IDS_TEXT 601
#define IDS_RANGE_INT 602
#define IDS_RANGE_REAL 603
#define IDS_ITEM_1 604
#define IDS_ITEM_2 605
#define IDS_ITEM_3 606
#define IDS_PAGE_1 610
#define IDS_PAGE_2 611
#define IDS_PAGE_3 612
#define IDS_TIP_EDIT 620
#define IDS_TIP_SPIN 621
#define IDS_MISSING 699
