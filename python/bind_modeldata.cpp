// Python attributes of the model-data modules and the kind constants of `types`.
// Scalars are 0-d arrays sharing the variable, text fields 0-d byte-string arrays, growable
// tables views of their current shape (or None when absent).
#include "engine/bind.h"

#include "core/modeldata.h"

using namespace tvk;

TVK_TEXT(jobdata, jobfilepath, jobdata.jobfilepath);
TVK_TEXT(jobdata, jobname, jobdata.jobname);
TVK_TEXT(jobdata, joboutdir, jobdata.joboutdir);
TVK_SCALAR(jobdata, solverid, jobdata.solverid);
TVK_SCALAR(jobdata, nsteps, jobdata.nsteps);
TVK_SCALAR(jobdata, stepcount, jobdata.stepcount);
TVK_TABLE(jobdata, stepid, jobdata.stepid);
TVK_TABLE(jobdata, processid, jobdata.processid);

TVK_SCALAR(debugdata, edebug, debugdata.edebug);
TVK_SCALAR(debugdata, ndebug, debugdata.ndebug);
TVK_SCALAR(debugdata, fdebug, debugdata.fdebug);
TVK_SCALAR(debugdata, nupdate, debugdata.nupdate);
TVK_SCALAR(debugdata, verbose, debugdata.verbose);
TVK_SCALAR(debugdata, unitid, debugdata.unitid);

TVK_TABLE(materialdata, matidlist, materialdata.matidlist);
TVK_TABLE(materialdata, peprops, materialdata.peprops);
TVK_TABLE(materialdata, psprops, materialdata.psprops);
TVK_TABLE(materialdata, pfflags, materialdata.pfflags);
TVK_TABLE(materialdata, peflags, materialdata.peflags);
TVK_TABLE(materialdata, pelimits, materialdata.pelimits);
TVK_TABLE(materialdata, pdprops, materialdata.pdprops);
TVK_TABLE(materialdata, pfprops, materialdata.pfprops);
TVK_TABLE(materialdata, phprops, materialdata.phprops);
TVK_TABLE(materialdata, cuprops, materialdata.cuprops);
TVK_TABLE(materialdata, temperatures, materialdata.temperatures);
TVK_SCALAR(materialdata, ntempdata, materialdata.ntempdata);
TVK_TABLE(materialdata, secantprops, materialdata.secantprops);
TVK_TABLE(materialdata, flowprops, materialdata.flowprops);
TVK_TABLE(materialdata, normalprops, materialdata.normalprops);
TVK_TABLE(materialdata, shearprops, materialdata.shearprops);
TVK_TABLE(materialdata, alpha1props, materialdata.alpha1props);
TVK_TABLE(materialdata, alpha2props, materialdata.alpha2props);
TVK_TABLE(materialdata, alpha3props, materialdata.alpha3props);
TVK_SCALAR(materialdata, nsecantdata, materialdata.nsecantdata);
TVK_SCALAR(materialdata, nflowdata, materialdata.nflowdata);
TVK_SCALAR(materialdata, nnormaldata, materialdata.nnormaldata);
TVK_SCALAR(materialdata, nsheardata, materialdata.nsheardata);
TVK_SCALAR(materialdata, nalpha1data, materialdata.nalpha1data);
TVK_SCALAR(materialdata, nalpha2data, materialdata.nalpha2data);
TVK_SCALAR(materialdata, nalpha3data, materialdata.nalpha3data);
TVK_TABLE(materialdata, equivalentstress, materialdata.equivalentstress);
TVK_SCALAR(materialdata, modelid, materialdata.modelid);
TVK_TABLE(materialdata, regularization, materialdata.regularization);
TVK_TABLE(materialdata, i10, materialdata.i10);
TVK_TABLE(materialdata, r_crit, materialdata.r_crit);

TVK_SCALAR(sectiondata, nsec, sectiondata.nsec);
TVK_SCALAR(sectiondata, nplies, sectiondata.nplies);
TVK_TABLE(sectiondata, secidlist, sectiondata.secidlist);
TVK_TABLE(sectiondata, plyorientation, sectiondata.plyorientation);
TVK_TABLE(sectiondata, plythickness, sectiondata.plythickness);
TVK_TABLE(sectiondata, plyzcoord, sectiondata.plyzcoord);
TVK_TABLE(sectiondata, xcstrength, sectiondata.xcstrength);
TVK_TABLE(sectiondata, seflags, sectiondata.seflags);
TVK_TABLE(sectiondata, sehmatrix, sectiondata.sehmatrix);
TVK_TABLE(sectiondata, sefmatrix, sectiondata.sefmatrix);
TVK_TABLE(sectiondata, nsectionpoints, sectiondata.nsectionpoints);
TVK_TABLE(sectiondata, sestress, sectiondata.sestress);
TVK_TABLE(sectiondata, tnormalstress, sectiondata.tnormalstress);
TVK_TABLE(sectiondata, tshearstress, sectiondata.tshearstress);
TVK_TABLE(sectiondata, sestrain, sectiondata.sestrain);
TVK_TABLE(sectiondata, seprops, sectiondata.seprops);
TVK_TABLE(sectiondata, seuser, sectiondata.seuser);

TVK_SCALAR(nodaldata, ndof, nodaldata.ndof);
TVK_SCALAR(nodaldata, nnodes, nodaldata.nnodes);
TVK_TABLE(nodaldata, nodalcoords, nodaldata.nodalcoords);
TVK_TABLE(nodaldata, nodesmotion, nodaldata.nodesmotion);
TVK_TABLE(nodaldata, tnodalmatrices, nodaldata.tnodalmatrices);
TVK_TABLE(nodaldata, tcurvmatrices, nodaldata.tcurvmatrices);

TVK_SCALAR(elementdata, nelem, elementdata.nelem);
TVK_SCALAR(elementdata, nsens, elementdata.nsens);
TVK_TABLE(elementdata, elemlist, elementdata.elemlist);
TVK_TABLE(elementdata, elemkind, elementdata.elemkind);
TVK_TABLE(elementdata, elemnodes, elementdata.elemnodes);
TVK_TABLE(elementdata, elemindices, elementdata.elemindices);
TVK_TABLE(elementdata, elemreforientation, elementdata.elemreforientation);
TVK_TABLE(elementdata, elemcurvatures, elementdata.elemcurvatures);
TVK_TABLE(elementdata, elemlength, elementdata.elemlength);

TVK_TABLE(impactdata, cprops, impactdata.cprops);
TVK_TABLE(impactdata, csvars, impactdata.csvars);

TVK_SCALAR(loaddata, nimp, loaddata.nimp);
TVK_TABLE(loaddata, dprops, loaddata.dprops);

TVK_SCALAR(damagedata, ndmg, damagedata.ndmg);
TVK_TABLE(damagedata, damagedds, damagedata.damagedds);
TVK_TABLE(damagedata, generaldds, damagedata.generaldds);
TVK_TABLE(damagedata, fiberdds, damagedata.fiberdds);
TVK_TABLE(damagedata, matrixdds, damagedata.matrixdds);
TVK_TABLE(damagedata, coredds, damagedata.coredds);
TVK_TABLE(damagedata, userdds, damagedata.userdds);
TVK_TABLE(damagedata, delamdds, damagedata.delamdds);
TVK_TABLE(damagedata, dmgplane, damagedata.dmgplane);
TVK_TABLE(damagedata, dmgpoints, damagedata.dmgpoints);
TVK_TABLE(damagedata, dmgshape, damagedata.dmgshape);

TVK_TABLE(bukdata, bukintdatalist, bukdata.bukintdatalist);
TVK_TABLE(bukdata, bukrealdatalist, bukdata.bukrealdatalist);

TVK_TABLE(shokriehdata, cycleprops, shokriehdata.cycleprops);
TVK_TABLE(shokriehdata, cycles, shokriehdata.cycles);
TVK_SCALAR(shokriehdata, dnf, shokriehdata.dnf);
TVK_SCALAR(shokriehdata, dnfshok, shokriehdata.dnfshok);

TVK_CONST(types, sp, types::sp);
TVK_CONST(types, dp, types::dp);
TVK_CONST(types, qp, types::qp);
TVK_CONST(types, i2, types::i2);
TVK_CONST(types, i4, types::i4);
TVK_CONST(types, i8, types::i8);
TVK_CONST(types, cb, types::cb);
