! Blade measurement: the station has written blade.txt into its home
UNITS INCH
LOADPROBE STAR5
STATUS Measuring blade sections
MEASURE_BLADE
WAIT 1000
REPORT
END
