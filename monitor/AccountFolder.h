// The folder of one account below the program folder, account\ACCOUNT, which
// holds its Address.db. The account names the folder as it was typed, so an
// account that could name anything else is refused.
#pragma once

#include <string>
#include <string_view>

// False for an account with a path separator, "..", or a control character:
// as a folder name it could reach outside "account" or be cut short.
bool IsSafeAccountName(std::u16string_view account);
// Program folder + account\ACCOUNT; empty for an account that is not safe.
std::u16string AccountFolderPath(std::u16string_view account);
// Makes the folder (one level) when it is not one, and copies the program
// folder's Address.db into it when it holds none. False when the folder is
// missing afterwards.
bool PrepareAccountFolder(std::u16string_view account);
// Removes the folder with everything in it and logs the outcome; an unsafe
// account removes nothing.
bool DeleteAccountFolder(std::u16string_view account);
