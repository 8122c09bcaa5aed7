! A program the operator cancels half way
UNITS INCH
STATUS Measuring the platform
WAIT 800
CANCEL
COMMENT never reached
