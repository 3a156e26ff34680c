// The completion callbacks of the three sync requests. Each runs on its call's
// worker thread, reads the reply file, stores a downloaded book under
// "DUVudidiVE.Mutex", tells the monitor window the next step of the chain
// (WM_AB_SYNCEVENT) and frees the call's web data and sync context.
#pragma once

#include <string>

#include "monitor/Common/JsonValue.h"

class CWebCall;

void CallBackSyncCheck(CWebCall* call);
void CallBackSyncShare(CWebCall* call);
void CallBackSyncPersonal(CWebCall* call);

// A reply as the callbacks read it: the envelope's members.
struct SyncReply {
    int ret = 0;
    std::u16string msg;
    CJsonValue data;
};

// Reads the reply file (up to a NUL byte, as a C string) from UTF-8 and parses
// it. `trimToBraces` first cuts it from its first "{" to its last "}". False,
// logged, when the file cannot be opened; throws std::invalid_argument when the
// text is no JSON object or array.
bool ReadSyncReply(const std::u16string& path, bool trimToBraces, SyncReply& reply);
