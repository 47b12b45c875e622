// The maker's names and addresses, defined once for the resource script and the C++ code (UTF-8).
// All addresses are placeholders under reserved example domains.
#pragma once

#define VANTREL_MAKER_NAME "vantrel"
#define VANTREL_COPYRIGHT "Copyright (C) 2026 vantrel"

// The maker dialog's lines are one line each and narrow (83 to 127 dialog units): in a font
// whose Chinese characters are two Latin ones wide, the site host may have 14 characters,
// the microblog address 20 and the mailbox 15 (tests/res checks this).

// The maker dialog shows the host name; a click on that line opens the whole site address.
#define VANTREL_MAKER_HOST "example.com"
#define VANTREL_MAKER_SITE_URL "https://" VANTREL_MAKER_HOST "/"
// The microblog line shows the same address that a click opens.
#define VANTREL_MAKER_BLOG_URL "https://blog.example"
// Feedback address and donation account are the same mailbox.
#define VANTREL_MAKER_EMAIL "vt@example.com"

// What the donation QR code encodes (res/make_qr.sh reads it from here).
#define VANTREL_DONATION_QR_PAYLOAD "https://pay.example.com/vantrel"

// Second line of the About box: a demo build embeds a simulated phone and must say so.
#if defined(VANTREL_DEMO_BUILD) && VANTREL_DEMO_BUILD
#define VANTREL_ABOUT_SECOND_LINE "演示版：内置模拟手机"
#else
#define VANTREL_ABOUT_SECOND_LINE VANTREL_COPYRIGHT
#endif
