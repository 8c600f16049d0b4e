# Sourced by bench/compare.sh and scripts/tsan.sh: the batch runs apart from the user's
# settings and without a display, and the settings files of the benchmark's conversions.
# Needs `tmp` (a folder of the caller's); sets HOME there and defines `settings` and the keys.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" QT_QPA_PLATFORM=offscreen
unset APPDATA DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
csvIn='FileFormatIn=csv\r\nCharacterSetIn=utf8\r\nDecimalSeparatorIn=dot\r\nCsvSeparatorIn=comma\r\nCsvFieldFrameIn=string\r\nHeaderLineIn=yes\r\n'
dbfIn='FileFormatIn=dbf\r\nCharacterSetIn=ansi\r\n'
dbfOut='FileFormatOut=dbf\r\nCharacterSetOut=ansi\r\n'
csvOut='FileFormatOut=csv\r\nCharacterSetOut=utf8\r\nDecimalSeparatorOut=dot\r\nCsvSeparatorOut=comma\r\nCsvFieldFrameOut=string\r\nHeaderLineOut=yes\r\n'
sdfOut='FileFormatOut=sdf\r\nCharacterSetOut=utf8\r\nDecimalSeparatorOut=dot\r\nSdfOptOut=no\r\nSdfBlankOut=no\r\nHeaderLineOut=yes\r\n'
filter='RecordFilterUse=yes\r\nRecordFilterPhrase=AMOUNT > 50000\r\n'
sortFilter='SortConditionUse=yes\r\nSortConditionGroup=CITY;AMOUNT\r\n'"$filter"
settings() {  # <name> <sections...>: writes $tmp/<name>.mcf
  local name=$1; shift
  printf '[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=overwrite\r\n' >"$tmp/$name.mcf"
  for part in "$@"; do printf "$part" >>"$tmp/$name.mcf"; done
}
