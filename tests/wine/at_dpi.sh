#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Runs a test program at another screen DPI in the test prefix, and puts the prefix back at its own
# DPI afterwards, whatever the outcome. Wine takes the DPI when its desktop process starts, as
# Windows does at sign-in, so the prefix's Wine processes are started again around the test: run
# these entries one at a time (RUN_SERIAL).
#   at_dpi.sh DPI PROGRAM [ARGUMENT...]   (a Windows PROGRAM, run with wine)
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"

dpi=$1
shift
own=$(morv_screen_dpi)
restore() { morv_restart_prefix "${own:-96}"; }
trap restore EXIT
morv_restart_prefix "$dpi"
MORV_SCREEN_DPI=$dpi wine "$@"
