// Writing a downloaded address book into an account's Address.db: the shared
// book into contact_group_share and contact_share, the private one into
// contact_group_self and contact_self. A table is replaced only when the reply
// carries its member as an array. The callers hold "DUVudidiVE.Mutex".
//
// The whole replacement runs in one transaction, so that a sync that is killed,
// runs out of disk or fails in the middle leaves the previous book whole for the
// next reader; a single insert that fails is skipped as before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CJsonValue;

// The server type is the sign-in's (1 the newer generation, 0 the older).
void StoreShareBook(const CJsonValue& data, const std::u16string& path, int serverType);
void StorePersonalBook(const CJsonValue& data, const std::u16string& path, int serverType);

// The newer server's second id space: "l12" stands for this plus 12.
constexpr uint32_t kSecondIdSpace = 1000000000;

// A shared book's group id: with server type 1 read as text ("l" and a number
// for the second id space, else its leading number), with type 0 as a number.
uint32_t SharedGroupId(const CJsonValue& value, int serverType);

// The number a text starts with, read as the system's text-to-integer
// conversion reads it (blanks, a sign, digits), limited to 32 bits; 0 for none.
int32_t LeadingNumber(std::u16string_view text);
// The same, unsigned: the decimal value of a time stamp.
uint32_t LeadingUnsigned(std::u16string_view text);

// The private book's own group whose server id is 1 would collide with the
// private root, which always has id 1. It is stored under the first id above
// every group id of the reply instead, and the subgroups and contacts of group
// 1 follow it there.
int PrivateGroupIdForOne(const CJsonValue& data);

// Called after every insert with the table and the number of rows inserted
// into it so far. For tests that stop a store in the middle; null for none.
using StoreRowHook = void (*)(const char16_t* table, size_t rows);
void SetStoreRowHook(StoreRowHook hook);
