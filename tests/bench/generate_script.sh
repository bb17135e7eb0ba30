#!/usr/bin/env bash
# Writes a SQL Server hotfix script of about SIZE_MB megabytes (default 100)
# to FILE, as script generators write them: Windows-1252 text with CR LF line
# ends, object headers, "-- " comments, indented procedures separated by GO
# lines, and now and then a long batch of INSERT lines (a data script).
#   generate_script.sh FILE [SIZE_MB]
set -euo pipefail
out=${1:?usage: generate_script.sh FILE [SIZE_MB]}
size_mb=${2:-100}

LC_ALL=C awk -v limit=$((size_mb * 1024 * 1024)) '
function line(text) { printf "%s\r\n", text; written += length(text) + 2 }
BEGIN {
  # Windows-1252 bytes: n with tilde, o and a with acute, euro sign.
  ene = "\361"; o_ac = "\363"; a_ac = "\341"; euro = "\200"
  for (n = 1; written < limit; n++) {
    line("/****** Object:  StoredProcedure [dbo].[SP_ACTUALIZA_" n "]    Script Date: 01/02/2024 ******/")
    line("SET ANSI_NULLS ON")
    line("GO")
    line("SET QUOTED_IDENTIFIER ON")
    line("go")
    line("-- Procedimiento " n ": actualiza los saldos del a" ene "o contable")
    line("CREATE PROCEDURE [dbo].[SP_ACTUALIZA_" n "]")
    line("    @Empresa INT,")
    line("    @Fecha DATETIME")
    line("AS")
    line("BEGIN")
    line("    /* c" a_ac "lculo de saldos */")
    line("    UPDATE SALDOS SET IMPORTE = IMPORTE * 1.21, DESCRIPCION = \x27Revisi" o_ac "n " n "\x27")
    line("     WHERE EMPRESA = @Empresa AND FECHA <= @Fecha")
    line("")
    line("    INSERT INTO AUDITORIA (TEXTO) VALUES (\x27Saldo en " euro " del a" ene "o " n "\x27)")
    line("END")
    line("  GO  ")
    if (n % 10 == 0) {
      line("-- Datos de la tabla PAISES")
      for (i = 1; i <= 300; i++)
        line("INSERT INTO PAISES (CODIGO, NOMBRE, ORDEN) VALUES (" i ", \x27Pa" a_ac "s n" ene "mero " i "\x27, " n ")")
      line("GO")
    }
  }
}' > "$out"
