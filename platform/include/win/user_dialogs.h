#pragma once

#include "../windef.h"

// Messages and notifications of the dialog controls that the program drives. Each is guarded,
// so that a header declaring the dialog manager may define them as well.
#ifndef CB_ADDSTRING
#define CB_ERR (-1)
#define CB_ADDSTRING 0x0143
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_SETCURSEL 0x014E
#define CB_FINDSTRINGEXACT 0x0158
#define CB_SETDROPPEDWIDTH 0x0160
#endif
#ifndef CBN_SELCHANGE
#define CBN_SELCHANGE 1
#endif
#ifndef BN_CLICKED
#define BN_CLICKED 0
#endif
#ifndef BST_CHECKED
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#endif
#ifndef EM_LIMITTEXT
#define EM_LIMITTEXT 0x00C5
#endif
