#pragma once

#include "baza/baza.h"
#include "command.h"

// Opening the register for a command: a missing table is an error (the
// program, not a query, creates it), and commands that change the table take
// it exclusively so that a running program holding it is reported instead
// of being written under.
enum class Access { Read, Write };

void OpenRegister(baza::Baza& baza, Access access);

// A missing register is an error of the command, not a reason to create one.
void RequireRegisterFile(const baza::Baza& baza);

// The record with physical number text, or a usage error.
int ParseRecordNumber(const dbf::DbfTable& table, const QString& text);
