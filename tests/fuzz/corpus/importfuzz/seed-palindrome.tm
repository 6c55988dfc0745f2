; Checks whether a binary word is a palindrome, e.g. 1001 (accepted) or 10 (rejected).

; State 0: take the leftmost symbol
0 0 _ r 1o
0 1 _ r 1i
0 _ _ * halt-accept  !  ; nothing left: a palindrome

; States 1o, 1i: run to the right end
1o _ _ l 2o
1o * * r 1o
1i _ _ l 2i
1i * * r 1i

; States 2o, 2i: the rightmost symbol must match the one taken
2o 0 _ l 3
2o _ _ * halt-accept
2o * * * halt-reject
2i 1 _ l 3
2i _ _ * halt-accept
2i * * * halt-reject

; State 3: back to the left end
3 _ _ r 0
3 * * l 3
