! A program that fails with a host error
STATUS Moving to the part
WAIT 200
ERROR Probe collision: the program was stopped
