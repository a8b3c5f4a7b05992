# Copies a story folder SOURCE into DEST, file by file, skipping files that are already there
# unchanged. A kako.dat is neither copied nor replaced: it is the list of past records of the
# player who plays DEST.
#   cmake -DSOURCE=dat -DDEST=build/dat -P copy_story.cmake
file(COPY ${SOURCE}/ DESTINATION ${DEST} PATTERN kako.dat EXCLUDE)
