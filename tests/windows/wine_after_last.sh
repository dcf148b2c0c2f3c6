#!/bin/sh
# Runs a Windows program under wine once the wine server of the previous program has
# ended. That server lingers for two seconds, with its desktop process on the previous
# test's X display; a program that connects meanwhile can be cut off in wine's start-up.
# exec keeps this process's id, which the tests look for on the program's window.
wineserver -w
exec wine "$@"
