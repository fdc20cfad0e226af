// Python entry points of the elastic, hyperelastic and plasticity laws and of the numerical
// tangent (namespace `elasticity`).
#include "engine/bind.h"

#include "mechanics/elasticlaws.h"
#include "mechanics/hyperelasticity.h"
#include "mechanics/plasticity.h"

// The stress law handed to getnumericaltangent: called as law(stress, strain, props, ndi,
// [ntens, nprops]) with complex arrays whatever the method (in difference mode the imaginary
// parts are 0 and only the real part of the stress is used); it writes the stress into its first
// argument. A native routine of this form (cmplx_getstressfromanisotropichyperelasticity's
// _cpointer) is called directly.
TVK_CALLBACK(stresslaw, "stress:c16(ntens):inout strain:c16(ntens) props:f8(nprops) ntens:i4 "
                        "ndi:i4 nprops:i4");

TVK_ROUTINE(elasticity, getstressfromorthotropicelasticity, GetStressFromOrthotropicElasticity,
            "stress:f8(ntens):out strain:f8(ntens) props:f8(nprops) ntens:i4 ndi:i4 nprops:i4");
TVK_ROUTINE(elasticity, getstressfromdevvoldecomposition, GetStressFromDevVolDecomposition,
            "stress:f8(ntens):out strain:f8(ntens) props:f8(nprops) ntens:i4 ndi:i4 nprops:i4 "
            "ddsdde:f8(ntens,ntens):out");
TVK_ROUTINE(elasticity, getstressfromnonlinearisotropic, GetStressFromNonlinearIsotropic,
            "stress:f8(ntens):out strain:f8(ntens) props:f8(nprops) ntens:i4 ndi:i4 nprops:i4");
TVK_ROUTINE(elasticity, getstressfromisotropicviscoelasticity, GetStressFromIsotropicViscoElasticity,
            "stress:f8(ntens):out strain:f8(ntens) props:f8(nprops) ntens:i4 ndi:i4 nprops:i4");
TVK_ROUTINE(elasticity, getlamestress, GetLameStress,
            "spureps:f8 endstrandev:f8(ndi,ndi) g:f8 komp:f8 stresstens:f8(3,3):out ndi:i4");
TVK_ROUTINE(elasticity, getkrausestress, GetKrauseStress,
            "normdev:f8 normvol:f8 spureps:f8 endstrandev:f8(ndi,ndi) g:f8 gammag:f8 gammak:f8 "
            "komp:f8 stresstens:f8(3,3):out ndi:i4");
TVK_ROUTINE(elasticity, getkaestnerstress, GetKaestnerStress,
            "normdev:f8 normvol:f8 spureps:f8 endstrandev:f8(ndi,ndi) g:f8 gammag:f8 gammak:f8 "
            "komp:f8 stresstens:f8(3,3):out ndi:i4");
TVK_ROUTINE(elasticity, getstressfromnonconstpoisson, GetStressFromNonConstPoisson,
            "normdev:f8 normvol:f8 spureps:f8 endstrandev:f8(ndi,ndi) e:f8 g:f8 nu:f8 num:f8 "
            "gamma:f8 stresstens:f8(3,3):out ndi:i4");
// c (the solver's tangent) takes no part.
TVK_ROUTINE(elasticity, getstressfromcubicelasticity, GetStressFromCubicElasticity,
            "stress:f8(ntens):out endstran:f8(ntens) props:f8(nprops) ntens:i4 ndi:i4 nprops:i4 "
            "c:f8(ntens,ntens) noel:i4");
TVK_ROUTINE(elasticity, getcomponentstensioncompression, GetComponentsTensionCompression,
            "full_set:f8(9) reduced_set:f8(6):out criterion:f8(6)");

TVK_ROUTINE(elasticity, real_getstressfromanisotropichyperelasticity,
            fGetStressFromAnisotropicHyperelasticity,
            "stress:f8(ntens):out strain:f8(ntens) props:f8(nprops) ntens:i4 ndi:i4 nprops:i4");
TVK_ROUTINE(elasticity, cmplx_getstressfromanisotropichyperelasticity,
            cGetStressFromAnisotropicHyperelasticity,
            "stress:c16(ntens):out strain:c16(ntens) props:f8(nprops) ntens:i4 ndi:i4 nprops:i4");
TVK_ROUTINE(elasticity, getnumericaltangent, tvk::getnumericaltangent,
            "ddsdde:f8(ntens,ntens):out getstressfromelasticity:cb(stresslaw) props:f8(nprops) "
            "stress1:f8(ntens) stress0:f8(ntens) dstrain:f8(ntens) ntens:i4 ndi:i4 nprops:i4 "
            "istensor:l1 tgref:f8(ntens,ntens):opt=0 h:f8:opt=2.2e-16 nmflag:i4:opt=0");

// neweqplasticstrain is updated in place: a 0-d float64 array.
TVK_ROUTINE(elasticity, getstressfromplastitcity, getstressfromplastitcity,
            "stress:f8(ntens):out neweqplasticstrain:f8:inout ddsdde:f8(ntens,ntens):out "
            "stran:f8(ntens) dstran:f8(ntens) props:f8(np) np:i4:hide ntens:i4 ndi:i4 nprops:i4 "
            "temp:f8");
TVK_ROUTINE(elasticity, getderivatef, getderivatef,
            "getderivatef:f8(6):out stressvector:f8(nstress) nstress:i4 a0:f8 a1:f8");
TVK_ROUTINE(elasticity, getderivateg, getderivateg,
            "getderivateg:f8(6):out stressvector:f8(nstress) nstress:i4 alpha:f8");
