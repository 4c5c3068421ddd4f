# Simulated cameras for the Wine tests of the real programs, sourced by them:
# plugging a camera in registers it in the session's system device
# enumeration (kestrovane-simcam.exe, KestrovaneSimCamera.dll beside it), so
# the programs find it through DirectShow without --simulate.
# Expects `simcam_tool` (kestrovane-simcam.exe) and `fail` to be set.
#
#   simcam_plug PATH EEPROM [add options...]  plugs a camera in under the device
#                                             path; its EEPROM lives in the file
#                                             (created blank when missing)
#   simcam_unplug PATH                        unplugs every camera under the path
#   simcam_report EEPROM                      the DLL's report of that camera
#   simcam_count EEPROM KIND                  one count of the report (0 if absent)
#   simcam_check_released EEPROM WHAT         fails unless every interface the
#                                             program obtained was released once
#
# Unplugging and plugging the next camera in under the same path serves a
# stream of cameras: `simcam_unplug "$path"; simcam_plug "$path" "$next"`.

simcam_plug() {  # path eeprom-file [options...]
    simcam_path=$1
    simcam_eeprom=$(winepath -w "$2" | tr -d '\r')
    shift 2
    if ! simcam_clsid=$(wine "$simcam_tool" add --path "$simcam_path" --eeprom "$simcam_eeprom" "$@"); then
        fail "could not plug in a camera under $simcam_path"
        return 1
    fi
    simcam_clsid=$(printf '%s' "$simcam_clsid" | tr -d '\r')
    printf 'plugged in %s under %s\n' "$simcam_clsid" "$simcam_path"
}

simcam_unplug() {  # path
    wine "$simcam_tool" remove --path "$1" || fail "could not unplug the camera under $1"
}

simcam_report() {  # eeprom-file
    cat "$1.report" 2>/dev/null
}

simcam_count() {  # eeprom-file kind
    simcam_report "$1" | awk -v kind="$2" '
        { count = $NF; $NF = ""; sub(/ $/, "") }
        $0 == kind { found = count }
        END { print found + 0 }'
}

simcam_check_released() {  # eeprom-file what
    if [ ! -s "$1.report" ]; then
        fail "$2: the camera DLL wrote no report"
        return
    fi
    for kind in live-objects live-references over-releases calls-after-release; do
        value=$(simcam_count "$1" "$kind")
        [ "$value" = 0 ] || fail "$2: the camera DLL reports $kind $value"
    done
}
