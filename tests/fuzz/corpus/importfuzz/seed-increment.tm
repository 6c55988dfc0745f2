// Input: a binary number n
// Output: n+1 in binary, e.g. 1011 gives 1100

name: Binary add one
init: q0
accept: qDone

// run to the right end
q0,0
q0,0,>

q0,1
q0,1,>

q0,_
q1,_,<

// carry to the left
q1,1
q1,0,<

q1,0
qDone,1,-

q1,_
qDone,1,-
