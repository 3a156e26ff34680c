#include "monitor/AddressBookSync/SyncRequest.h"

#include "monitor/Common/Md5.h"
#include "monitor/LoginSettings.h"
#include "platform/Format.h"

const char16_t kSyncSalt[] = u"qwtyzxcv7%!lp3#mk+pe";

namespace {

const char16_t kBookChecksumFormat[] =
    u"&domainname=%s&id=kx&mailbox=%s&multi=1&otime=%s%s&share=%s&start_time=%s";
const char16_t kBookRequestFormat[] =
    u"&domainname=%s&id=kx&mailbox=%s&multi=1&ochecksum=%s&otime=%s%s&share=%s&start_time=%s";
const char16_t kStartTime[] = u"1970-01-01 00:00:00";

std::u16string Checksum(std::u16string_view checksumText) {
    std::u16string salted(kSyncSalt);
    salted += checksumText;
    return Md5Hex(salted);
}

}  // namespace

SyncRequestText BookRequest(std::u16string_view account, std::u16string_view password,
                            std::u16string_view otime, bool share) {
    const std::u16string_view domain = DomainOf(account);
    const std::u16string pcode = u"&pcode=" + MakePcode(account, password);
    const char16_t* shareValue = share ? u"1" : u"0";
    SyncRequestText r;
    r.checksumText =
        plat::Format(kBookChecksumFormat, domain, account, otime, pcode, shareValue, kStartTime);
    r.body = plat::Format(kBookRequestFormat, domain, account, Checksum(r.checksumText), otime,
                          pcode, shareValue, kStartTime);
    return r;
}

SyncRequestText CheckRequest(std::u16string_view account, std::u16string_view password,
                             std::u16string_view otime, std::u16string_view ts, int serverType,
                             int type) {
    SyncRequestText r;
    r.checksumText = u"&domainname=";
    r.checksumText += DomainOf(account);
    r.checksumText += u"&id=kx&mailbox=";
    r.checksumText += account;
    r.checksumText += u"&otime=";
    r.checksumText += otime;
    r.checksumText += u"&pcode=" + MakePcode(account, password);
    r.checksumText += u"&ts=";
    r.checksumText += ts;
    if (serverType == 1) r.checksumText += plat::Format(u"&type=%d", type);
    r.body = r.checksumText + u"&ochecksum=" + Checksum(r.checksumText);
    return r;
}
