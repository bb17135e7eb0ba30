#!/usr/bin/env bash
# What the sandbox build does today, on a fresh demo machine: the installation
# keys from the registry and from our SysInfo service, a key's record, the
# product's services stopped and started, and the log file it leaves behind.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh >/dev/null
cmake --preset ci >/dev/null
cmake --build --preset ci --target hftool sysinfo-service >/dev/null

hftool=build/ci/tools/hftool/hftool
service=build/ci/tools/sysinfo-service/sysinfo-service
work=$(mktemp -d)
export HOTFIX_SANDBOX="$work/demo"

"$hftool" sandbox new "$HOTFIX_SANDBOX"
"$service" --sandbox "$HOTFIX_SANDBOX" >/dev/null 2>"$work/sysinfo-service.log" &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null; wait "$service_pid" 2>/dev/null || true' EXIT

for _ in $(seq 1 50); do
  "$hftool" sysinfo servers >/dev/null 2>&1 && break
  sleep 0.1
done

echo "== Llaves instaladas (registro): número, versión del servidor, equipo"
"$hftool" keys
echo "== Llaves según el servicio SysInfo"
"$hftool" sysinfo servers
echo "== Datos de la llave 1"
"$hftool" sysinfo server 1
echo "== Servicio svcOrvin: detener y volver a iniciar (estado 1 detenido, 4 en ejecución)"
"$hftool" service stop svcOrvin
"$hftool" service status svcOrvin
"$hftool" service start svcOrvin
"$hftool" service status svcOrvin
echo "== Registro de hotfixs de la llave 1"
"$hftool" journal list "$HOTFIX_SANDBOX/fs/Velmar/Llave1/Config" 9.70.001.000 || true
echo "== Archivo de log"
"$hftool" log write ltError "Demostración: entrada de error" >/dev/null
iconv -f WINDOWS-1252 -t UTF-8 "$HOTFIX_SANDBOX"/fs/ProgramData/Velmar/Logs/*.log
echo "== La máquina de prueba queda en $HOTFIX_SANDBOX"
