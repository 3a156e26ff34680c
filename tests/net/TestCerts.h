// A certificate authority and a server certificate of the test's own, made with
// the openssl command in mailsim's --cert-dir layout (ca.pem, server.pem,
// server.key), for servers whose certificate must not match.
#pragma once

#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/ProcessPipe.h"
#include "platform/Text.h"

namespace qntest {

inline bool RunOpenssl(const std::u16string& folder, std::vector<std::u16string> args) {
    std::vector<std::u16string> argv = {u"openssl"};
    argv.insert(argv.end(), args.begin(), args.end());
    // An argument "@name" stands for the file of that name in the folder.
    for (auto& a : argv)
        if (a.rfind(u"@", 0) == 0) a = plat::JoinPath(folder, a.substr(1));
    plat::ProcessPipe p;
    if (!p.Start(argv)) return false;
    char buf[4096];
    while (p.Read(buf, sizeof buf) > 0) {
    }
    return p.Wait() == 0;
}

// `subjectAltName` as openssl writes it: "DNS:other.example".
inline bool MakeTestCertificates(const std::u16string& folder,
                                 const std::u16string& subjectAltName) {
    const std::vector<std::u16string> key = {u"-newkey", u"ec", u"-pkeyopt",
                                             u"ec_paramgen_curve:prime256v1", u"-nodes"};
    std::vector<std::u16string> ca = {u"req", u"-x509"};
    ca.insert(ca.end(), key.begin(), key.end());
    ca.insert(ca.end(), {u"-keyout", u"@ca.key", u"-out", u"@ca.pem", u"-days", u"30", u"-subj",
                         u"/CN=test authority", u"-addext", u"basicConstraints=critical,CA:TRUE",
                         u"-addext", u"keyUsage=critical,keyCertSign,cRLSign"});
    std::vector<std::u16string> csr = {u"req", u"-new"};
    csr.insert(csr.end(), key.begin(), key.end());
    csr.insert(csr.end(),
               {u"-keyout", u"@server.key", u"-out", u"@server.csr", u"-subj", u"/CN=test server"});
    std::string ext = "subjectAltName=" + plat::Utf16ToUtf8(subjectAltName) +
                      "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
    return plat::CreateDirectories(folder) && RunOpenssl(folder, ca) && RunOpenssl(folder, csr) &&
           plat::WriteFile(plat::JoinPath(folder, u"server.ext"), ext) &&
           RunOpenssl(folder, {u"x509", u"-req", u"-in", u"@server.csr", u"-CA", u"@ca.pem",
                               u"-CAkey", u"@ca.key", u"-set_serial", u"2", u"-days", u"30",
                               u"-out", u"@server.pem", u"-extfile", u"@server.ext"});
}

}  // namespace qntest
