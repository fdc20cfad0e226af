// Python entry points of the keyword and string toolkit (namespace `stringhandling`).
//
// Text results come back as bytes of their full length. Functions whose value is text take their
// result buffer as the first argument (see core/strings.h). `copys2a` returns its n one-character
// elements as one bytes object of length n (the same characters in the same memory order), and
// `copya2s` takes them the same way. `int2str` writes into a field of 11 characters, the width
// of the longest 4-byte integer.
#include "engine/bind.h"

#include "core/strings.h"

TVK_ROUTINE(stringhandling, match, match, "match:l4:ret a:s* b:s*");
TVK_ROUTINE(stringhandling, occurs, occurs, "occurs:l4:ret a:s* b:s*");
TVK_ROUTINE(stringhandling, tally, tally, "tally:i4:ret s:s* text:s* csflag:i4:opt=1");
TVK_ROUTINE(stringhandling, split, split, "a:s(n):out b:s(n):out s:s* sdelim:s1 n:i4");
TVK_ROUTINE(stringhandling, extract, extract, "extract:s(n):out s:s* startkey:s* stopkey:s* n:i4");
TVK_ROUTINE(stringhandling, lowercase, lowercase, "lowercase:s(n):out s:s* n:i4");
TVK_ROUTINE(stringhandling, uppercase, uppercase, "uppercase:s(n):out s:s* n:i4");
TVK_ROUTINE(stringhandling, translate, translate, "s0:s* sout:s(n):out codes:i4(nc,2) n:i4 nc:i4");
TVK_ROUTINE(stringhandling, replacetext, replacetext,
            "s:s* text:s* rep:s* sout:s(nout):out nout:i4");
TVK_ROUTINE(stringhandling, reduceblanks, reduceblanks, "s:s* sout:s(nout):out nout:i4");
TVK_ROUTINE(stringhandling, countitems, countitems, "countitems:i4:ret s0:s*");
TVK_ROUTINE(stringhandling, str2int, str2int, "ca:s* integ:i4:out istat:i4:out");
TVK_ROUTINE(stringhandling, int2str, int2str, "integ:i4 ca:s(n):out istat:i4:out n:i4:hide:=11");
TVK_ROUTINE(stringhandling, int2aformat, int2aformat,
            "j2s:s(sout):out jrray:i4(n,max(m,0)) aw:s8 jmax:i4 sout:i4 n:i4 m:i4");
TVK_ROUTINE(stringhandling, str2ascii, str2ascii, "ia:i4(n):out ca:s* n:i4");
TVK_ROUTINE(stringhandling, copys2a, copys2a, "s:s* ca:s(n):out n:i4");
TVK_ROUTINE(stringhandling, copya2s, copya2s, "ca:s(n) s:s(n):out n:i4");
TVK_ROUTINE(stringhandling, spack, spack, "s:s* ex:s* sout:s(ns):out ns:i4 nx:i4");
TVK_ROUTINE(stringhandling, clen, clen, "clen:i4:ret s:s*");
TVK_ROUTINE(stringhandling, clen_trim, clen_trim, "clen_trim:i4:ret s:s*");
TVK_ROUTINE(stringhandling, ctrim, ctrim, "ctrim:s(n):out s:s* n:i4");
TVK_ROUTINE(stringhandling, inistringwithcharacter, inistringwithcharacter,
            "inistringwithcharacter:s(n):out ch:s1 n:i4");
