// The texts of the three sync requests, signed with the MD5 checksum of the
// salt and the parameters. Values go in as they are: no URL encoding.
#pragma once

#include <string>
#include <string_view>

extern const char16_t kSyncSalt[];  // "qwtyzxcv7%!lp3#mk+pe"

struct SyncRequestText {
    std::u16string checksumText;  // what the checksum is made of, after the salt
    std::u16string body;          // the request as sent
};

// A book download (share false: the private book, true: the shared one).
SyncRequestText BookRequest(std::u16string_view account, std::u16string_view password,
                            std::u16string_view otime, bool share);

// The check whether the shared book changed since `ts`; server type 1 adds the
// type parameter.
SyncRequestText CheckRequest(std::u16string_view account, std::u16string_view password,
                             std::u16string_view otime, std::u16string_view ts, int serverType,
                             int type);
