#pragma once

#include <string>
#include <string_view>

namespace hotfix {

// The key dictionary keeps the SQL Server password of each server enciphered
// (column ClaveBD of table SERVER). DesencriptarClave gives back the clear
// password. There is no integrity check: every stored text deciphers to some
// password, an empty, Null or malformed one usually to the empty password.
// It never raises. The result must never be logged or shown.
//
// Both texts are UTF-8 whose characters stand for one Windows-1252 byte each
// (characters without such a byte count as "?").
std::string DesencriptarClave(std::string_view clave_guardada);

}  // namespace hotfix
