// The one instance of every model-data module. All members have constant initialisers, so the
// instances are ready before any other static initialiser of the process can touch them.
#include "modeldata.h"

namespace tvk {

constinit JobData jobdata;
constinit DebugData debugdata;
constinit MaterialData materialdata;
constinit SectionData sectiondata;
constinit NodalData nodaldata;
constinit ElementData elementdata;
constinit ImpactData impactdata;
constinit LoadData loaddata;
constinit DamageData damagedata;
constinit BukData bukdata;
constinit ShokriehData shokriehdata;

}  // namespace tvk
