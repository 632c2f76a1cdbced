/* What musl's own src/include/features.h gives the files here: hidden marks
 * musl's internal names, which the build renames instead (names.h), so it
 * marks nothing. */
#ifndef FEATURES_H
#define FEATURES_H

#define hidden

#endif
