// Writes the chosen recipients into the To, Cc and Bcc fields of another
// program's compose window, found from the anchor window by the rules of each
// client kind, by selection replacement.
#pragma once

#include <string>
#include <vector>

#include "platform/desktop/Window.h"

struct Recipient {
    std::u16string name;
    std::u16string email;  // one address
};

struct RecipientLists {
    std::vector<Recipient> to, cc, bcc;
};

// "name<email>;" per entry ("\"name\"<email>;" for Foxmail 7, the bare
// address when there is no name), and the bare "email;" per entry.
std::u16string DisplayText(const std::vector<Recipient>& list, int kind);
std::u16string AddressText(const std::vector<Recipient>& list);

// Writes the lists for the client kind (0-9; any other writes nothing). A
// field whose list is empty is not touched.
void WriteRecipients(plat::HWND anchor, int kind, const RecipientLists& lists);
